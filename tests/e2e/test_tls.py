"""The client over TLS under Wine: accounts secured in the account manager,
"Check All Accounts" from POP3S and STLS, "Send Queued" through STARTTLS,
against the real servers with the test CA trusted in the prefix; an account
signed in with OAuth 2.0 at the test authorization server through the
system browser."""

import os
import re
import ssl
import subprocess
import sys
import time
import unittest
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, drive, values, wait_for, winpath  # noqa: E402

TOOLS = os.environ.get("ZM_SERVERS_TOOLS", "")
TRUST_CA = os.environ.get("ZM_TRUST_CA", "")
CA = os.environ.get("ZM_TLS_CA_DER_WIN", "")
POP3 = os.environ.get("ZM_POP3_PORT", "")
POP3S = os.environ.get("ZM_POP3S_PORT", "")
SMTP = os.environ.get("ZM_SMTP_PORT", "")
OAUTH_TOKEN = os.environ.get("ZM_OAUTH_TOKEN", "")
LIST, SETTINGS = "Zenth Mail - Account Manager", "Account Manager - Settings"
SIGN_IN = "Account Manager - Sign in"
NONE, TLS, STARTTLS = "0", "1", "2"


def mailbox(*args):
    return subprocess.run(["bash", os.path.join(TOOLS, "mailbox.sh"), *args], capture_output=True, text=True,
                          timeout=60).stdout.strip()


def deliver(user, subject):
    message = ("From: carol@example.test\r\nTo: %s@example.test\r\nSubject: %s\r\n"
               "Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n" % (user, subject)).encode()
    subprocess.run(["bash", os.path.join(TOOLS, "deliver.sh"), user, "-"], input=message, check=True,
                   capture_output=True, timeout=60)


def new_account(index, name, user, password, pop3, pop3_security, smtp_security, inbox):
    # Added at the end (nothing selected), then opened.
    return ["listbox-index", LIST, ID.IDC_ACCOUNT_LIST, "-1", "command", LIST, ID.IDC_ADD, "listbox-index", LIST,
            ID.IDC_ACCOUNT_LIST, str(index),
            "command", LIST, ID.IDC_SETTINGS,
            "window", SETTINGS, "10000",
            "set-text", SETTINGS, ID.IDC_ACCOUNT_NAME, name, "set-text", SETTINGS, ID.IDC_SMTP_SERVER,
            "localhost:" + SMTP,
            "set-text", SETTINGS, ID.IDC_SENDER_NAME, name, "set-text", SETTINGS, ID.IDC_SENDER_ADDRESS,
            user + "@example.test",
            "set-text", SETTINGS, ID.IDC_POP3_SERVER, pop3, "set-text", SETTINGS, ID.IDC_USER_NAME, user,
            "set-text", SETTINGS, ID.IDC_PASSWORD, password, "set-text", SETTINGS, ID.IDC_INBOX_PATH, inbox,
            "combo-select", SETTINGS, ID.IDC_POP3_SECURITY, pop3_security, "combo-select", SETTINGS,
            ID.IDC_SMTP_SECURITY, smtp_security,
            "command", SETTINGS, ID.IDC_SETTINGS_OK, "no-window", SETTINGS, "10000"]


def grant_ended(how, user):
    """The authorization server's testing endpoint (expire or revoke) for
    every token of the user; the tokens concerned."""
    url = os.environ["ZM_OAUTH_EXPIRE"].rsplit("/", 1)[0] + "/" + how
    context = ssl.create_default_context(cafile=os.environ["ZM_TLS_CA"])
    with urllib.request.urlopen(url, urllib.parse.urlencode({"user": user}).encode(), timeout=30,
                                context=context) as reply:
        return reply.read().decode().split("\n")[1:-1]


def status_text(shown):
    return shown.replace("\\r\\n", "\n")


@unittest.skipUnless(TOOLS and POP3S and CA and TRUST_CA, "the TLS mail servers of tests/servers are not running")
class SecuredAccounts(ClientTest):
    with_account_table = False

    def setUp(self):
        super().setUp()
        for user in ("alice", "bob"):
            mailbox("clear", user)

    def tearDown(self):
        subprocess.run(["wine", TRUST_CA, "remove", CA], capture_output=True, timeout=60)
        for user in ("alice", "bob"):
            mailbox("clear", user)
        super().tearDown()

    def test_accounts_secured_in_the_manager_receive_and_send_over_tls(self):
        drive("start", winpath(self.path("zenth-profiles.exe")), "", "window", LIST, "15000",
              *new_account(0, "home", "alice", "alicepw", "localhost:" + POP3S, TLS, STARTTLS, "maildir\\inbox"),
              *new_account(1, "work", "bob", "bobpw", "localhost:" + POP3, STARTTLS, NONE, "maildir\\bob"),
              "command", LIST, ID.IDC_LIST_OK, "wait-exit", "10000")
        options = [line for i, line in enumerate(self.read("accountdata.cfg").split(b"\r\n")) if i % 8 == 7][:2]
        self.assertEqual(options, [str(0x40 | 0x200).encode(), str(0x80).encode()])

        for folder in ("maildir/inbox", "maildir/bob", "maildir/outbox", "maildir/sent items"):
            os.makedirs(self.path(folder), exist_ok=True)
        deliver("alice", "for alice")
        deliver("bob", "for bob")
        self.write("maildir/outbox/mm1.eml", (
            "X-ZMServer: localhost:%s\r\nX-ZMAccountIndex: 0\r\nX-ZMAddress: alice@example.test\r\n"
            "X-ZMRecipients: bob@example.test\r\nX-ZMOpts: 32\r\nFrom: alice@example.test\r\nTo: bob@example.test\r\n"
            "Subject: sent secured\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nBody.\r\n" % SMTP).encode())
        check = ["window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                 "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "60000",
                 "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000"]
        # Before the test CA is trusted, neither server is: their issuer is
        # found nowhere, and no login goes out.
        out = self.run_client("", *check, "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        refused = values(out, "TEXT")[0]
        self.assertEqual(refused.count("Server certificate not accepted: incomplete chain.\\r\\n"), 2, refused)
        self.assertIn("Errors: 2", refused)
        self.assertEqual(mailbox("count", "alice"), "1")

        subprocess.run(["wine", TRUST_CA, "add", CA], check=True, capture_output=True, timeout=60)
        out = self.run_client("", *check,
                              "command", "Zenth Mail", ID.CMD_SEND_QUEUED, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Done.", "60000",
                              "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000",
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        received, sent = values(out, "TEXT")
        self.assertEqual(received.count("Secure connection established (TLS 1."), 2, received)
        self.assertIn("New messages: 2\\r\\nErrors: 0", received)
        self.assertEqual(sent, "Hostname entered.\\r\\nConnected to server.\\r\\nSecure connection established (TLS 1.2)."
                               "\\r\\nSending 0.1 KB to 1 recipient.\\r\\nDone.\\r\\n")
        self.assertEqual(len(os.listdir(self.path("maildir/inbox"))) >= 1, True)
        self.assertEqual(mailbox("wait", "bob", "1"), "")

    def test_cancel_during_a_secured_receive_keeps_the_message_on_the_server(self):
        subprocess.run(["wine", TRUST_CA, "add", CA], check=True, capture_output=True, timeout=60)
        message = (b"From: carol@example.test\r\nSubject: big\r\n\r\n" + (b"y" * 998 + b"\r\n") * 20000)
        subprocess.run(["bash", os.path.join(TOOLS, "deliver.sh"), "alice", "-"], input=message, check=True,
                       capture_output=True, timeout=60)
        self.write_accounts(("home", "localhost:" + SMTP, '"A" <alice@example.test>', "localhost:" + POP3S, "alice",
                             "alicepw", "maildir\\inbox", 0x40 | 0x8))
        os.makedirs(self.path("maildir", "inbox"), exist_ok=True)
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.IDC_RECEIVE,
                              "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "#1 (", "15000",
                              "command", "Status", ID.IDC_STATUS_CANCEL, "no-window", "Status", "5000",
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(os.listdir(self.path("maildir", "inbox")), [])
        self.assertEqual(mailbox("count", "alice"), "1")

    def messages(self, folder):
        return sorted(name for name in os.listdir(self.path(folder)) if name.endswith(".eml"))

    @unittest.skipUnless(OAUTH_TOKEN, "the authorization server of tests/servers is not running")
    def test_an_account_signed_in_with_oauth_receives_sends_renews_and_tells_when_its_grant_ends(self):
        started = time.monotonic()
        logs = {name: os.path.join(os.environ["ZM_SERVERS_DIR"], "log", name)
                for name in ("dovecot.log", "exim/mainlog", "oauth.log")}
        offsets = {name: os.path.getsize(path) for name, path in logs.items()}

        def logged(name):
            with open(logs[name], "rb") as f:
                f.seek(offsets[name])
                return f.read().decode("utf-8", "replace")

        def zmlog():
            return self.read("zmlog.txt").decode("latin-1") if os.path.exists(self.path("zmlog.txt")) else ""

        subprocess.run(["wine", TRUST_CA, "add", CA], check=True, capture_output=True, timeout=60)
        # Wine's browser is the person at the server's sign-in page.
        browser = os.path.join(os.path.dirname(os.path.abspath(__file__)), "played_browser.py")
        key = "HKCU\\Software\\Wine\\WineBrowser"
        subprocess.run(["wine", "reg", "add", key, "/v", "Browsers", "/t", "REG_SZ", "/d",
                        "%s --sign-in alice:alicepw %s" % (browser, self.path("browser.txt")), "/f"],
                       check=True, capture_output=True, timeout=60)
        self.addCleanup(subprocess.run, ["wine", "reg", "delete", key, "/v", "Browsers", "/f"], capture_output=True,
                        timeout=60)
        home = new_account(0, "home", "alice", "", "localhost:" + POP3S, TLS, STARTTLS, "maildir\\inbox")
        # "Other" sets TLS both ways; the SMTP server here takes STARTTLS,
        # chosen after it.
        oauth = ["combo-select", SETTINGS, ID.IDC_SIGN_IN_METHOD, "1", "combo-select", SETTINGS, ID.IDC_PROVIDER, "2"]
        sign_in = ["command", SETTINGS, ID.IDC_SIGN_IN, "window", SIGN_IN, "10000",
                   "set-text", SIGN_IN, ID.IDC_AUTHORIZATION_ENDPOINT, os.environ["ZM_OAUTH_AUTHORIZE"],
                   "set-text", SIGN_IN, ID.IDC_TOKEN_ENDPOINT, OAUTH_TOKEN, "set-text", SIGN_IN, ID.IDC_SCOPES, "mail",
                   "set-text", SIGN_IN, ID.IDC_CLIENT_ID, os.environ["ZM_OAUTH_CLIENT_ID"],
                   "command", SIGN_IN, ID.IDC_SIGN_IN_START,
                   "wait-text", SIGN_IN, ID.IDC_SIGN_IN_STATUS, "Signed in.", "60000",
                   "command", SIGN_IN, ID.IDC_SIGN_IN_CLOSE, "no-window", SIGN_IN, "10000"]
        out = drive("start", winpath(self.path("zenth-profiles.exe")), "", "window", LIST, "15000",
                    *home[:-14], *oauth, *home[-14:-6], *sign_in, *home[-6:],
                    *new_account(1, "work", "bob", "bobpw", "localhost:" + POP3, NONE, NONE, "maildir\\bob"),
                    "command", LIST, ID.IDC_LIST_OK, "wait-exit", "10000")
        self.assertEqual(values(out, "TEXT"),
                         ["Signed in. The account receives and sends mail with this sign-in from now on."])
        options = [line for i, line in enumerate(self.read("accountdata.cfg").split(b"\r\n")) if i % 8 == 7][:2]
        self.assertEqual(options, [str(0x400 | 0x200 | 0x40).encode(), b"0"])
        self.assertIn("alice approved the sign-in", logged("oauth.log"))

        for folder in ("maildir/inbox", "maildir/bob", "maildir/outbox", "maildir/sent items"):
            os.makedirs(self.path(folder), exist_ok=True)
        deliver("alice", "for alice")
        self.write("maildir/outbox/mm1.eml", (
            "X-ZMServer: localhost:%s\r\nX-ZMAccountIndex: 0\r\nX-ZMAddress: alice@example.test\r\n"
            "X-ZMRecipients: bob@example.test\r\nX-ZMOpts: 32\r\nFrom: alice@example.test\r\nTo: bob@example.test\r\n"
            "Subject: signed in\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nBody.\r\n" % SMTP).encode())
        check = ["command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS, "window", "Status", "15000",
                 "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "60000",
                 "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000"]
        go = [self.path("go-expired"), self.path("go-revoked")]
        # One client: the tokens it holds in memory live on between checks,
        # while the server ends them.
        client = self.start_client(
            "", "window", "Zenth Mail", "15000", *check,
            "command", "Zenth Mail", ID.CMD_SEND_QUEUED, "window", "Status", "15000",
            "wait-text", "Status", ID.IDC_STATUS, "Done.", "60000",
            "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000",
            "wait-file", winpath(go[0]), "", "120000", *check,
            "wait-file", winpath(go[1]), "", "120000", *check,
            "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        try:
            self.assertEqual(mailbox("wait", "bob", "1", "60"), "")
            signed_in = logged("oauth.log")
            tokens = grant_ended("expire", "alice")
            self.write("go-expired", b"")
            wait_for(lambda: zmlog().count("] Errors: ") == 2, 90, "the check after the expiry")
            tokens += grant_ended("revoke", "alice")
            deliver("bob", "for bob")
            self.write("go-revoked", b"")
        finally:
            # A failure above leaves the driver at its wait, which ends it.
            out = self.finish_client(client)
        first, sent, renewed, ended = (status_text(t) for t in values(out, "TEXT"))

        self.assertIn("Checking localhost:%s:\nConnected to server.\nSecure connection established (TLS 1." % POP3S,
                      first)
        self.assertTrue(first.endswith("New messages: 1\nErrors: 0\n"), first)
        self.assertIn("Secure connection established (TLS 1.", sent)
        self.assertTrue(sent.endswith("Sending 0.1 KB to 1 recipient.\nDone.\n"), sent)
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml"])
        # Both logins carried a token, as the servers themselves tell: POP3
        # the first check's and the renewed one's (refused tokens are no
        # logins), SMTP the sending's.
        logins = re.findall(r"pop3-login: Info: Login: user=<alice>, method=(\w+), ", logged("dovecot.log"))
        self.assertEqual(len(logins), 2, logins)
        self.assertLessEqual(set(logins), {"XOAUTH2", "OAUTHBEARER"})
        self.assertRegex(logged("exim/mainlog"), r"A=(xoauth2|oauthbearer)_server:alice")
        grants = re.compile(r"issued an access token to %s for alice \((\w+) grant\)"
                            % os.environ["ZM_OAUTH_CLIENT_ID"])
        self.assertEqual(grants.findall(signed_in), ["authorization_code", "refresh_token"])

        # The expired token refused, renewed once, and the check succeeds:
        # bob's account brings the message alice sent.
        after = logged("oauth.log")[len(signed_in):]
        self.assertEqual(grants.findall(after), ["refresh_token"])
        self.assertNotIn("Sign-in for", renewed)
        self.assertTrue(renewed.endswith("New messages: 1\nErrors: 0\n"), renewed)

        # The grant ended: told, and bob's account is still checked.
        self.assertEqual(after.count("refused a refresh"), 1)
        told = ended.index("Sign-in for home has expired: open the account manager and sign in again.\n")
        self.assertIn("Checking localhost:%s:\n" % POP3, ended[told:])
        self.assertTrue(ended.endswith("New messages: 1\nErrors: 1\n"), ended)
        self.assertEqual(self.messages("maildir/bob"), ["mm1.eml", "mm2.eml"])

        self.assertGreaterEqual(len(tokens), 3)  # the two access tokens and the refresh token
        log, table = zmlog(), self.read("accountdata.cfg").decode("latin-1")
        for token in tokens:
            self.assertNotIn(token, log)
            self.assertNotIn(token, table)
        print("[ timing ] OAuth 2.0 sign-in, check, send, renewal and end: %.1f s" % (time.monotonic() - started))


if __name__ == "__main__":
    unittest.main(verbosity=2)
