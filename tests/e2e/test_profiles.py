"""The account manager zenth-profiles under Wine: the list window, the
settings windows, and the table and key it writes."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, drive, values, wait_for, winpath  # noqa: E402

LIST = "Zenth Mail - Account Manager"
SETTINGS = "Account Manager - Settings"
SIGN_IN = "Account Manager - Sign in"
FOLDERS = "Account Manager - Server Folders"
ADD, REMOVE, OPEN_SETTINGS = ID.IDC_ADD, ID.IDC_REMOVE, ID.IDC_SETTINGS
LIST_OK, LIST_CANCEL = ID.IDC_LIST_OK, ID.IDC_LIST_CANCEL
APPLY, DISCARD = ID.IDC_SETTINGS_OK, ID.IDC_SETTINGS_CANCEL
EXIT = ["wait-exit", "10000"]
ACCOUNT_OAUTH, GOOGLE = 0x400, 2 << 11

SERVERS = os.environ.get("ZM_SERVERS_DIR", "")
TOOLS = os.environ.get("ZM_SERVERS_TOOLS", "")


def account(name, password="secret", options=9):
    return [name, "smtp.example.test:25", '"%s" <%s@example.test>' % (name, name), "pop.example.test", name,
            password, "maildir\\" + name, options]


def folder_list_file(server, user):
    """The name of an account's server folder list: FNV-1a, 64 bits, of
    the server, a line feed and the user name."""
    h = 0xcbf29ce484222325
    for byte in (server + "\n" + user).encode():
        h = ((h ^ byte) * 0x100000001b3) & 0xffffffffffffffff
    return "folders%016x.txt" % h


def press(button):
    """Steps that press a list window button and return once it is handled:
    a posted command is overtaken by the sent steps after it (a selection,
    a list read), which the window's thread takes first."""
    return ["send-command", LIST, button]


def select(index):
    return ["listbox-index", LIST, ID.IDC_ACCOUNT_LIST, str(index)]


def open_settings(index):
    return select(index) + ["command", LIST, OPEN_SETTINGS, "window", SETTINGS, "10000"]


def fill(**fields):
    controls = {"name": ID.IDC_ACCOUNT_NAME, "smtp": ID.IDC_SMTP_SERVER, "sender_name": ID.IDC_SENDER_NAME,
                "sender_address": ID.IDC_SENDER_ADDRESS, "pop3": ID.IDC_POP3_SERVER, "user": ID.IDC_USER_NAME,
                "password": ID.IDC_PASSWORD, "inbox": ID.IDC_INBOX_PATH}
    steps = []
    for field, text in fields.items():
        steps += ["set-text", SETTINGS, controls[field], text]
    return steps


def apply_settings():
    return ["command", SETTINGS, APPLY, "no-window", SETTINGS, "10000"]


class Manager(ClientTest):
    with_account_table = False

    def run_manager(self, *steps):
        return drive("start", winpath(self.path("zenth-profiles.exe")), "", *steps)

    def table_lines(self):
        return self.read("accountdata.cfg").split(b"\r\n")


class FreshFolder(Manager):
    def test_a_new_account_is_written_as_eight_lines_with_a_new_key(self):
        pop3 = "127.0.0.1:%s" % os.environ.get("ZM_POP3_PORT", "110")
        smtp = "127.0.0.1:%s" % os.environ.get("ZM_SMTP_PORT", "25")
        out = self.run_manager(
            "window", LIST, "15000", *press(ADD), *open_settings(0),
            *fill(name="home", smtp=smtp, sender_name="Alice Smith", sender_address="alice@example.test", pop3=pop3,
                  user="alice", password="alicepw"),
            "text", SETTINGS, ID.IDC_INBOX_PATH, "combo", SETTINGS, ID.IDC_POP3_SECURITY, "combo", SETTINGS,
            ID.IDC_SMTP_SECURITY,
            # The test servers here speak plain text.
            "combo-select", SETTINGS, ID.IDC_POP3_SECURITY, "0", "combo-select", SETTINGS, ID.IDC_SMTP_SECURITY, "0",
            "check", SETTINGS, ID.IDC_POP3_AUTH, "1", "check", SETTINGS, ID.IDC_DELETE_FROM_SERVER, "1", "check",
            SETTINGS, ID.IDC_ENCRYPTED_AUTH_ONLY, "1",
            *apply_settings(), "listbox", LIST, ID.IDC_ACCOUNT_LIST, "command", LIST, LIST_OK, *EXIT)
        # A new account opens with the inbox the client uses, and TLS both
        # ways.
        self.assertEqual(values(out, "TEXT"), ["maildir\\inbox"])
        self.assertEqual(values(out, "SELECTION"), ["1", "1"])
        self.assertEqual(values(out, "ENTRY"), ["home"])
        self.assertEqual(values(out, "EXIT"), ["0"])
        lines = self.table_lines()
        self.assertEqual(len(lines), 9)
        self.assertEqual(lines[:5] + lines[6:], [b"home", smtp.encode(), b'"Alice Smith" <alice@example.test>',
                                                 pop3.encode(), b"alice", b"maildir\\inbox", b"25", b""])
        # Seven characters padded to eight bytes: twelve base64 characters.
        self.assertEqual(len(lines[5]), 12)
        self.assertNotIn(b"alicepw", self.read("accountdata.cfg"))
        self.assertEqual(len(self.read("pwdkey.dat")), 32)
        self.assertEqual(sorted(n for n in os.listdir(self.folder) if not n.endswith(".exe")),
                         ["accountdata.cfg", "pwdkey.dat"])
        if SERVERS and TOOLS:
            self.receive_with_the_written_account()

    def receive_with_the_written_account(self):
        """The client logs in with the password as the manager stored it."""
        def mailbox(*args):
            return subprocess.run(["bash", os.path.join(TOOLS, "mailbox.sh"), *args], capture_output=True,
                                  text=True, timeout=60).stdout.strip()
        mailbox("clear", "alice")
        message = (b"From: carol@example.test\r\nTo: alice@example.test\r\nSubject: manager\r\n"
                   b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n")
        subprocess.run(["bash", os.path.join(TOOLS, "deliver.sh"), "alice", "-"], input=message, check=True,
                       capture_output=True, timeout=60)
        os.makedirs(self.path("maildir", "inbox"), exist_ok=True)
        try:
            out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail",
                                  ID.CMD_CHECK_ALL_ACCOUNTS,
                                  "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "Errors: ",
                                  "30000",
                                  "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000",
                                  "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        finally:
            mailbox("clear", "alice")
        status = values(out, "TEXT")[-1]
        self.assertIn("New messages: 1\\r\\nErrors: 0", status)
        self.assertIn(b"Subject: manager", self.read(os.path.join("maildir", "inbox", "mm1.eml")))

    def test_cancel_writes_nothing(self):
        out = self.run_manager("window", LIST, "15000", "command", LIST, ADD, "command", LIST, LIST_CANCEL, *EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertFalse(os.path.exists(self.path("accountdata.cfg")))


class ThreeAccounts(Manager):
    def setUp(self):
        super().setUp()
        self.write_accounts(account("a"), account("b"), account("c"))
        self.before = self.read("accountdata.cfg")
        self.key = self.read("pwdkey.dat")

    def remove_b_and_add_first(self):
        return [*select(1), *press(REMOVE), *select(0), *press(ADD), "listbox", LIST, ID.IDC_ACCOUNT_LIST]

    def test_remove_and_add_then_cancel_leave_the_file_as_it_was(self):
        out = self.run_manager("window", LIST, "15000", *self.remove_b_and_add_first(),
                               "command", LIST, LIST_CANCEL, *EXIT)
        self.assertEqual(values(out, "ENTRY"), ["New Account", "a", "c"])
        self.assertEqual(self.read("accountdata.cfg"), self.before)
        self.assertEqual(self.read("pwdkey.dat"), self.key)

    def test_remove_and_add_then_ok_write_the_new_order(self):
        self.run_manager("window", LIST, "15000", *self.remove_b_and_add_first(), "command", LIST, LIST_OK, *EXIT)
        old = self.before.split(b"\r\n")
        new = self.table_lines()
        self.assertEqual(len(new), 25)
        # An empty account but for TLS both ways (0x40 | 0x100).
        self.assertEqual(new[:5] + new[6:8], [b""] * 6 + [b"320"])
        self.assertEqual(len(new[5]), 12)  # the empty password, padded and enciphered
        self.assertEqual(new[8:24], old[0:8] + old[16:24])
        self.assertEqual(self.read("pwdkey.dat"), self.key)

    def test_a_settings_window_keeps_its_account_through_add_and_remove(self):
        # The window opened on "c" stores into "c" after two accounts were
        # added before it; the one opened on a new account closes when that
        # account is removed.
        out = self.run_manager(
            "window", LIST, "15000", *open_settings(2), *press(ADD), *select(0), *press(ADD),
            *fill(name="c2"), *apply_settings(),
            *open_settings(3), *select(3), "command", LIST, REMOVE, "no-window", SETTINGS, "10000",
            "listbox", LIST, ID.IDC_ACCOUNT_LIST, "command", LIST, LIST_OK, *EXIT)
        self.assertEqual(values(out, "ENTRY"), ["New Account", "a", "b", "c2"])
        new = self.table_lines()
        old = self.before.split(b"\r\n")
        self.assertEqual(len(new), 33)
        self.assertEqual(new[8:24], old[0:16])
        self.assertEqual(new[24:32], [b"c2"] + old[17:24])

    def test_each_refusal_is_told_and_nothing_is_stored(self):
        refusals = [
            (dict(name=""), "Please enter an account name."),
            (dict(inbox=""), "Please enter an inbox path."),
            (dict(inbox="mail\\inbox"), "Inbox path must begin with 'maildir\\'."),
            (dict(inbox="maildirX\\inbox"), "Inbox path must begin with 'maildir\\'."),
            (dict(password="p" * 72), "Password is too long: at most 71 characters can be stored."),
            (dict(smtp="s" * 99), "SMTP server is too long: at most 98 characters can be stored."),
            (dict(sender_name="n" * 47), "From (name) is too long: at most 46 characters can be stored."),
            (dict(sender_name='Ann "A" Smith'), "From (name) must not contain a double quote."),
            (dict(sender_address="a>b@example.test"),
             'From (e-mail) must not contain "<", ">" or a double quote.'),
            (dict(user="b\r\nDELE 1"), "Username must not contain a line break."),
        ]
        steps = ["window", LIST, "15000", *open_settings(1)]
        good = dict(name="b", smtp="smtp.example.test:25", sender_name="b", sender_address="b@example.test",
                    user="b", password="secret", inbox="maildir\\b")
        for bad, _ in refusals:
            # The name changes with every try: a refused apply must store
            # none of what came before the field it refuses.
            steps += [*fill(**dict(good, name="changed")), *fill(**bad), "command", SETTINGS, APPLY,
                      "msgbox", "Account Manager", "10000", "window", SETTINGS, "2000"]
        steps += ["listbox", LIST, ID.IDC_ACCOUNT_LIST, "command", SETTINGS, DISCARD, "no-window", SETTINGS, "10000",
                  "command", LIST, LIST_OK, *EXIT]
        out = self.run_manager(*steps)
        self.assertEqual(values(out, "MSGBOX"), [text for _, text in refusals])
        self.assertEqual(values(out, "ENTRY"), ["a", "b", "c"])
        self.assertEqual(self.read("accountdata.cfg"), self.before)

    def test_bits_without_a_box_are_kept(self):
        self.write_accounts(account("a", options=0x8000 | 0x40 | 0x200 | 0x8))
        out = self.run_manager("window", LIST, "15000", *open_settings(0), "combo", SETTINGS, ID.IDC_POP3_SECURITY,
                               "combo", SETTINGS, ID.IDC_SMTP_SECURITY, "check", SETTINGS, ID.IDC_DELETE_FROM_SERVER,
                               "0", "check", SETTINGS, ID.IDC_SMTP_AUTH, "1",
                               "combo-select", SETTINGS, ID.IDC_POP3_SECURITY, "2", *apply_settings(), "command", LIST,
                               LIST_OK,
                               *EXIT)
        # The security boxes show the account's choice.
        self.assertEqual(values(out, "ITEM"), ["None", "TLS", "STARTTLS"] * 2)
        self.assertEqual(values(out, "SELECTION"), ["1", "2"])
        self.assertEqual(self.table_lines()[7], str(0x8000 | 0x80 | 0x200 | 0x2).encode())


    def test_imap_is_chosen_and_cleared_as_one_bit(self):
        self.write_accounts(account("a", options=0x8000 | 0x40 | 0x9))
        labels = ["text", SETTINGS, ID.IDC_INCOMING_SERVER_LABEL, "text", SETTINGS, ID.IDC_INCOMING_SECURITY_LABEL,
                  "text", SETTINGS, ID.IDC_POP3_AUTH]
        choose = ["combo-select", SETTINGS, ID.IDC_INCOMING]
        boxes = ["enabled", SETTINGS, ID.IDC_POP_BEFORE_SMTP, "enabled", SETTINGS, ID.IDC_SERVER_FOLDERS]
        # An IMAP account's server folders: a second one added in the dialog,
        # written to the account's file by its OK.
        folders = ["command", SETTINGS, ID.IDC_SERVER_FOLDERS, "window", FOLDERS, "10000",
                   "set-text", FOLDERS, ID.IDC_SERVER_FOLDER, "Archive/2026",
                   "set-text", FOLDERS, ID.IDC_LOCAL_FOLDER, "maildir\\archive",
                   "send-command", FOLDERS, ID.IDC_FOLDER_ADD, "listbox", FOLDERS, ID.IDC_FOLDER_LIST,
                   "text-fits", FOLDERS, "command", FOLDERS, ID.IDC_FOLDERS_OK, "no-window", FOLDERS, "10000"]
        out = self.run_manager("window", LIST, "15000", *open_settings(0), "combo", SETTINGS, ID.IDC_INCOMING,
                               *boxes, *choose, "1", *labels, *boxes, "text-fits", SETTINGS, *folders,
                               *apply_settings(), "command", LIST, LIST_OK, *EXIT)
        self.assertEqual(values(out, "ITEM"), ["POP3", "IMAP"])
        self.assertEqual(values(out, "SELECTION"), ["0"])
        # The server, its security and its login are named for IMAP, and fit;
        # POP before SMTP is off the table, the server folders on it.
        self.assertEqual(values(out, "TEXT"), ["IMAP server:", "IMAP security:", "IMAP Password Authentication"])
        self.assertEqual(values(out, "ENABLED"), ["1", "0", "0", "1"])
        self.assertEqual(values(out, "ENTRY"), ["INBOX -> maildir\\a", "Archive/2026 -> maildir\\archive"])
        self.assertEqual(values(out, "LISTBOX-SELECTION"), ["1"])
        self.assertEqual(values(out, "CUT"), [])
        self.assertEqual(self.table_lines()[7], str(0x4000 | 0x8000 | 0x40 | 0x9).encode())
        self.assertEqual(self.read(folder_list_file("pop.example.test", "a")),
                         b"INBOX\tmaildir\\a\r\nArchive/2026\tmaildir\\archive\r\n")
        # Opened again it shows IMAP; back to POP3 clears that bit alone.
        out = self.run_manager("window", LIST, "15000", *open_settings(0), "combo", SETTINGS, ID.IDC_INCOMING,
                               *labels, *choose, "0", *labels, *boxes, *apply_settings(), "command", LIST, LIST_OK,
                               *EXIT)
        self.assertEqual(values(out, "SELECTION"), ["1"])
        self.assertEqual(values(out, "TEXT"), ["IMAP server:", "IMAP security:", "IMAP Password Authentication",
                                               "POP3 server:", "POP3 security:", "POP Password Authentication"])
        self.assertEqual(values(out, "ENABLED"), ["1", "0"])
        self.assertEqual(self.table_lines()[7], str(0x8000 | 0x40 | 0x9).encode())

    def test_oauth_with_a_provider_fills_the_servers_and_the_sign_in_tells_its_outcome(self):
        enabled = ["enabled", SETTINGS, ID.IDC_PASSWORD, "enabled", SETTINGS, ID.IDC_SIGN_IN]
        status = ["wait-text", SIGN_IN, ID.IDC_SIGN_IN_STATUS]
        # The browser the sign-in opens is the tests' own, in which the
        # person declines: nothing leaves the machine.
        record = self.path("browser.txt")
        browser = os.path.join(os.path.dirname(os.path.abspath(__file__)), "played_browser.py")
        key = "HKCU\\Software\\Wine\\WineBrowser"
        subprocess.run(["wine", "reg", "add", key, "/v", "Browsers", "/t", "REG_SZ", "/d",
                        "%s --refuse %s" % (browser, record), "/f"], check=True, capture_output=True, timeout=60)
        self.addCleanup(subprocess.run, ["wine", "reg", "delete", key, "/v", "Browsers", "/f"], capture_output=True,
                        timeout=60)
        out = self.run_manager(
            "window", LIST, "15000", *open_settings(1), "combo", SETTINGS, ID.IDC_SIGN_IN_METHOD, "combo", SETTINGS,
            ID.IDC_PROVIDER, *enabled,
            "combo-select", SETTINGS, ID.IDC_SIGN_IN_METHOD, "1", "combo-select", SETTINGS, ID.IDC_PROVIDER, "1",
            *enabled, "text", SETTINGS, ID.IDC_POP3_SERVER, "text", SETTINGS, ID.IDC_SMTP_SERVER,
            "combo", SETTINGS, ID.IDC_POP3_SECURITY, "combo", SETTINGS, ID.IDC_SMTP_SECURITY,
            "command", SETTINGS, ID.IDC_SIGN_IN, "window", SIGN_IN, "10000", "text-fits", SIGN_IN,
            "text", SIGN_IN, ID.IDC_AUTHORIZATION_ENDPOINT, "text", SIGN_IN, ID.IDC_TOKEN_ENDPOINT,
            "text", SIGN_IN, ID.IDC_SCOPES, "text", SIGN_IN, ID.IDC_CLIENT_ID, "text", SIGN_IN, ID.IDC_SIGN_IN_STATUS,
            # No application is registered for the program: the user's own
            # id, and for Google its secret.
            "command", SIGN_IN, ID.IDC_SIGN_IN_START, *status, "client id", "10000",
            "set-text", SIGN_IN, ID.IDC_CLIENT_ID, "my-app.apps.example.test",
            "command", SIGN_IN, ID.IDC_SIGN_IN_START, *status, "secret", "10000",
            "set-text", SIGN_IN, ID.IDC_CLIENT_SECRET, "my-secret",
            "command", SIGN_IN, ID.IDC_SIGN_IN_START, *status, "refused", "30000",
            "enabled", SIGN_IN, ID.IDC_SIGN_IN_START, "enabled", SIGN_IN, ID.IDC_SIGN_IN_CANCEL,
            "command", SIGN_IN, ID.IDC_SIGN_IN_CLOSE, "no-window", SIGN_IN, "10000",
            *apply_settings(), "command", LIST, LIST_OK, *EXIT)
        self.assertEqual(values(out, "ITEM"), ["Password", "OAuth 2.0", "Microsoft", "Google", "Other"] +
                         ["None", "TLS", "STARTTLS"] * 2)
        # A password account of no provider; then OAuth 2.0 with Google's
        # preset: the password is not asked for, the sign-in is.
        self.assertEqual(values(out, "SELECTION"), ["0", "2", "1", "1"])
        self.assertEqual(values(out, "ENABLED"), ["1", "0", "0", "1", "1", "0"])
        self.assertEqual(values(out, "TEXT"), [
            "pop.gmail.com", "smtp.gmail.com", "https://accounts.google.com/o/oauth2/v2/auth",
            "https://oauth2.googleapis.com/token", "https://mail.google.com/", "",
            "Sign in opens the provider's page in your browser.",
            "Please enter the client id of the application you registered with the provider.",
            "Please enter the client secret of that application: this provider asks for it.",
            "The provider refused the sign-in: The user declined."])
        # The browser was opened on Google's page for the user's application
        # (it notes that once the listener's page came).
        wait_for(lambda: os.path.exists(record), 20, "the browser's record")
        url = self.read("browser.txt").decode().split("\n", 1)[0]
        self.assertTrue(url.startswith("https://accounts.google.com/o/oauth2/v2/auth?response_type=code&"
                                       "client_id=my-app.apps.example.test&"), url)
        self.assertEqual(values(out, "CUT"), [])
        lines, before = self.table_lines(), self.before.split(b"\r\n")
        self.assertEqual(lines[8 + 1], b"smtp.gmail.com")
        self.assertEqual(lines[8 + 3], b"pop.gmail.com")
        # The password stays as it was, for a return to "Password".
        self.assertEqual(lines[8 + 5], before[8 + 5])
        self.assertEqual(lines[8 + 7], str(0x9 | ACCOUNT_OAUTH | GOOGLE | 0x40 | 0x100).encode())
        self.assertEqual(lines[:8] + lines[16:], before[:8] + before[16:])


class Limits(Manager):
    def test_an_eleventh_account_is_refused(self):
        self.write_accounts(*[account("a%d" % i) for i in range(10)])
        before = self.read("accountdata.cfg")
        out = self.run_manager("window", LIST, "15000", "command", LIST, ADD, "msgbox", "Zenth Mail", "10000",
                               "listbox", LIST, ID.IDC_ACCOUNT_LIST, "command", LIST, LIST_OK, *EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Number of accounts reached maximum!"])
        self.assertEqual(len(values(out, "ENTRY")), 10)
        self.assertEqual(self.read("accountdata.cfg"), before)

    def test_a_corrupt_key_is_told_and_nothing_written(self):
        self.write_accounts(account("a"))
        before = self.read("accountdata.cfg")
        self.write("pwdkey.dat", b"k" * 31)
        out = self.run_manager("msgbox", "Zenth Mail", "15000", *EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Key file is corrupted. Please reinstall."])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(self.read("pwdkey.dat"), b"k" * 31)
        self.assertEqual(self.read("accountdata.cfg"), before)

    def test_a_table_that_cannot_be_written_keeps_the_old_one(self):
        self.write_accounts(account("a"))
        before = self.read("accountdata.cfg")
        os.makedirs(self.path("accountdata.cfg.new"))
        out = self.run_manager("window", LIST, "15000", "command", LIST, ADD, "command", LIST, LIST_OK,
                               "msgbox", "Zenth Mail", "10000", *EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Cannot open account data file!"])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(self.read("accountdata.cfg"), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
