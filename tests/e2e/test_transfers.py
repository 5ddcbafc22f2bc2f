"""Receiving and sending from the main window under Wine, against the real
dovecot and exim servers that the test command starts (tests/servers)."""

import glob
import imaplib
import os
import subprocess
import unittest

from zmharness import ClientTest, ID, values, wait_for, winpath

SERVERS = os.environ.get("ZM_SERVERS_DIR", "")
TOOLS = os.environ.get("ZM_SERVERS_TOOLS", "")
POP3 = "127.0.0.1:%s" % os.environ.get("ZM_POP3_PORT", "")
SMTP = "127.0.0.1:%s" % os.environ.get("ZM_SMTP_PORT", "")
IMAP = "127.0.0.1:%s" % os.environ.get("ZM_IMAP_PORT", "")
USE_AUTH, DELETE_FROM_SERVER, ACCOUNT_IMAP = 0x1, 0x8, 0x4000
CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000"]


def mailbox(*args):
    result = subprocess.run(["bash", os.path.join(TOOLS, "mailbox.sh"), *args], capture_output=True, text=True,
                            timeout=60)
    return result.stdout.strip()


def deliver(user, message):
    subprocess.run(["bash", os.path.join(TOOLS, "deliver.sh"), user, "-"], input=message, check=True,
                   capture_output=True, timeout=60)


def account(name, user, password, inbox, options=0, server=POP3):
    return (name, SMTP, '"%s" <%s@example.test>' % (name, user), server, user, password, inbox, options)


def expunge_all(user, password):
    """Empties the user's INBOX through dovecot's IMAP: files taken from under
    its feet in the second of its last look stay in its index, and the next
    test's POP3 session would list them."""
    port = int(os.environ.get("ZM_IMAP_PORT", "0"))
    with imaplib.IMAP4("127.0.0.1", port) as imap:
        imap.login(user, password)
        imap.select("INBOX")
        imap.store("1:*", "+FLAGS.SILENT", "(\\Deleted)")
        imap.expunge()
        imap.logout()


def status_lines(out):
    """The status window's text as the driver printed it, line by line."""
    text = values(out, "TEXT")[-1]
    return text.replace("\\r\\n", "\n").replace("\\r", "\n").split("\n")


def message(subject, body=b"Hello.\r\n"):
    return (b"From: carol@example.test\r\nTo: alice@example.test\r\nSubject: " + subject.encode() +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n" + body)


@unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
class Transfers(ClientTest):
    def setUp(self):
        super().setUp()
        for user in ("alice", "bob"):
            mailbox("clear", user)
        for folder in ("maildir/inbox", "maildir/bob", "maildir/outbox", "maildir/sent items"):
            os.makedirs(self.path(folder), exist_ok=True)

    def tearDown(self):
        for user in ("alice", "bob"):
            mailbox("clear", user)
        super().tearDown()

    def messages(self, folder):
        return sorted(os.path.basename(p) for p in glob.glob(self.path(folder, "*.eml")))

    def test_check_all_accounts_fetches_every_account_into_its_inbox(self):
        deliver("alice", message("first"))
        deliver("alice", message("second"))
        deliver("bob", message("for bob"))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"),
                            account("work", "bob", "bobpw", "maildir\\bob", USE_AUTH | DELETE_FROM_SERVER))
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                              "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "30000",
                              "wait-rows", "Zenth Mail", ID.IDC_MESSAGE_LIST, "2", "15000", "list", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST,
                              "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000", *CLOSE_AND_EXIT)
        lines = status_lines(out)
        self.assertEqual(lines[0], "Checking %s:" % POP3)
        self.assertIn("Found 2.", lines)
        self.assertIn("Found 1.", lines)
        self.assertEqual(lines[-3:], ["New messages: 3", "Errors: 0", ""])
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml", "mm2.eml"])
        self.assertEqual(self.messages("maildir/bob"), ["mm1.eml"])
        self.assertTrue(self.read("maildir/bob/mm1.eml").startswith(b"X-ZMRead: FALSE\r\nX-ReceivedDate: "))
        self.assertEqual(mailbox("count", "alice"), "2")  # kept
        self.assertEqual(mailbox("count", "bob"), "0")    # deleted once stored
        log = self.read("zmlog.txt").decode("latin-1")
        # The log holds the window's whole dialogue, every line in its order.
        at = 0
        for said in ("Checking %s:" % POP3, "Found 2.", "Checking %s:" % POP3, "Found 1.", "New messages: 3",
                     "Errors: 0"):
            at = log.find("] " + said + "\r\n", at)
            self.assertGreater(at, 0, said)
        # The inbox was on show, so it lists what arrived.
        rows = values(out, "ROW")
        self.assertEqual(len(rows), 2, out)
        self.assertEqual(sorted(r.split(" | ")[2] for r in rows), ["first", "second"])

    def test_an_imap_account_is_checked_beside_a_pop3_one_and_fetches_only_new_mail(self):
        deliver("alice", message("first"))
        deliver("alice", message("second"))
        deliver("bob", message("for bob"))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP | USE_AUTH, IMAP),
                            account("work", "bob", "bobpw", "maildir\\bob", USE_AUTH | DELETE_FROM_SERVER))
        check = ["command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS, "window", "Status", "15000",
                 "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "30000",
                 "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000"]
        out = self.run_client("", "window", "Zenth Mail", "15000", *check, *CLOSE_AND_EXIT)
        lines = status_lines(out)
        self.assertEqual(lines[:3], ["Checking %s:" % IMAP, "Connected to server.", "Found 2."])
        self.assertIn("Checking %s:" % POP3, lines)
        self.assertEqual(lines[-3:], ["New messages: 3", "Errors: 0", ""])
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml", "mm2.eml"])
        self.assertEqual(self.messages("maildir/bob"), ["mm1.eml"])
        stored = self.read("maildir/inbox/mm1.eml") + self.read("maildir/inbox/mm2.eml")
        self.assertTrue(self.read("maildir/inbox/mm1.eml").startswith(b"X-ZMRead: FALSE\r\nX-ReceivedDate: "))
        self.assertIn(b"Subject: first\r\n", stored)
        self.assertIn(b"Subject: second\r\n", stored)
        self.assertEqual(mailbox("count", "alice"), "2")  # left on the IMAP server
        self.assertEqual(mailbox("count", "bob"), "0")
        # The next check fetches only what came since, from a new start of
        # the client: the highest UID stored was kept on the disk.
        deliver("alice", message("third"))
        out = self.run_client("", "window", "Zenth Mail", "15000", *check, *CLOSE_AND_EXIT)
        lines = status_lines(out)
        self.assertEqual(lines[:3], ["Checking %s:" % IMAP, "Connected to server.", "Found 1."])
        self.assertEqual(lines[-3:], ["New messages: 1", "Errors: 0", ""])
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml", "mm2.eml", "mm3.eml"])
        self.assertIn(b"Subject: third\r\n", self.read("maildir/inbox/mm3.eml"))

    def test_an_imap_accounts_server_headers_are_listed_and_a_chosen_one_downloaded(self):
        lines = b"".join(b"line %d\r\n" % n for n in range(1, 15))
        deliver("alice", message("first"))
        deliver("alice", message("second", lines))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, IMAP))
        inbox_file = winpath(self.path("maildir", "inbox", "mm1.eml"))
        # Emptied through IMAP before the files go (see expunge_all).
        try:
            out = self.run_client("", "window", "Zenth Mail", "15000",
                                  "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "E-mail Headers",
                                  "wait-rows", "Zenth Mail", ID.IDC_MESSAGE_LIST, "2", "15000",
                                  "no-window", "Status", "10000", "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                                  "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0",
                                  "command", "Zenth Mail", ID.CMD_DOWNLOAD_FROM_SERVER,
                                  "wait-file", inbox_file, "Subject: ", "15000", "no-window", "Status", "10000",
                                  *CLOSE_AND_EXIT)
            rows = values(out, "ROW")
            self.assertEqual(sorted(r.split(" | ")[2] for r in rows), ["first", "second"], out)
            # The listing holds each header with the first ten body lines.
            listed = [self.read("temp/mm%d.eml" % n) for n in (1, 2)]
            self.assertTrue(listed[1].startswith(b"X-ZMRead: FALSE\r\nX-ReceivedDate: "))
            self.assertTrue(listed[1].endswith(b"Subject: second\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n" +
                                               lines[:lines.index(b"line 11")].rstrip(b"\r\n")), listed[1])
            # The row chosen is the message downloaded, whole; both stay on the server.
            chosen = rows[0].split(" | ")[2]
            stored = self.read("maildir/inbox/mm1.eml")
            self.assertIn(b"Subject: " + chosen.encode() + b"\r\n", stored)
            self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml"])
            self.assertEqual(mailbox("count", "alice"), "2")
        finally:
            expunge_all("alice", "alicepw")

    def test_a_large_check_shows_every_line_and_ends_with_its_count(self):
        # Written into the Maildir as a delivery would, to keep the test short.
        maildir = os.path.join(os.environ["ZM_MAILDIR_ROOT"], "alice", "Maildir")
        for n in range(1, 1001):
            name = "large%d.e2e" % n
            with open(os.path.join(maildir, "tmp", name), "wb") as f:
                f.write(message("large %d" % n))
            os.rename(os.path.join(maildir, "tmp", name), os.path.join(maildir, "new", name))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", DELETE_FROM_SERVER))
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                              "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "120000",
                              "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "5000", *CLOSE_AND_EXIT)
        lines = status_lines(out)
        self.assertEqual(lines[:3], ["Checking %s:" % POP3, "Connected to server.", "Found 1000."])
        self.assertEqual(len([line for line in lines if line.endswith(" KB)  done")]), 1000)
        self.assertEqual(lines[-3:], ["New messages: 1000", "Errors: 0", ""])
        self.assertEqual(len(self.messages("maildir/inbox")), 1000)
        self.assertEqual(mailbox("count", "alice"), "0")

    def test_receive_is_refused_while_its_inbox_is_receiving(self):
        deliver("alice", message("one"))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        # Another folder on show, so that the commands themselves are allowed.
        filled = ["wait-log", "Displayed messages in", "15000"]
        out = self.run_client("", "window", "Zenth Mail", "15000", *filled,
                              "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "drafts", *filled,
                              "command", "Zenth Mail", ID.IDC_RECEIVE, "command", "Zenth Mail",
                              ID.CMD_CHECK_ALL_ACCOUNTS,
                              "wait-text", "Zenth Mail", ID.IDC_STATUS, "receiving", "10000",
                              # With new mail and no errors the job closes its own window.
                              "wait-file", winpath(self.path("maildir", "inbox", "mm1.eml")), "", "15000",
                              "no-window", "Status", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT")[0], "Target directory is receiving mail.")
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml"])

    def test_cancel_mid_message_ends_the_job_and_keeps_the_message_on_the_server(self):
        deliver("alice", message("twenty megabytes", (b"y" * 998 + b"\r\n") * 20000))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", DELETE_FROM_SERVER))
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                              "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "#1 (", "15000",
                              "command", "Status", ID.IDC_STATUS_CANCEL, "no-window", "Status", "5000",
                              # The inbox is free again: a second check starts and completes.
                              "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "120000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "GONE"), ["Status"])
        lines = status_lines(out)
        self.assertIn("New messages: 1", lines)
        self.assertEqual(self.messages("maildir/inbox"), ["mm1.eml"])  # only the whole one of the second run
        self.assertGreater(os.path.getsize(self.path("maildir/inbox/mm1.eml")), 20000000)
        self.assertEqual(mailbox("count", "alice"), "0")

    def test_cancelled_receive_leaves_no_partial_file_and_deletes_nothing(self):
        deliver("alice", message("twenty megabytes", (b"y" * 998 + b"\r\n") * 20000))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", DELETE_FROM_SERVER))
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.IDC_RECEIVE,
                              "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "#1 (", "15000",
                              "command", "Status", ID.IDC_STATUS_CANCEL, "no-window", "Status", "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(self.messages("maildir/inbox"), [])
        self.assertEqual(glob.glob(self.path("temp", "*")), [])
        self.assertEqual(mailbox("count", "alice"), "1")

    def test_send_queued_sends_what_the_server_takes_and_keeps_the_rest(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        for n, to in ((1, "bob@example.test"), (2, "nobody@example.test"), (3, "bob@example.test")):
            self.write("maildir/outbox/mm%d.eml" % n, (
                "X-ZMServer: %s\r\nX-ZMAccountIndex: -1\r\nX-ZMAddress: alice@example.test\r\n"
                "X-ZMRecipients: %s\r\nX-ZMOpts: 32\r\nFrom: alice@example.test\r\nTo: %s\r\n"
                "Subject: queued %d\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nBody %d.\r\n"
                % (SMTP, to, to, n, n)).encode())
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_SEND_QUEUED,
                              "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "60000",
                              *CLOSE_AND_EXIT)
        self.assertIn("Errors: 1", status_lines(out))
        self.assertEqual(self.messages("maildir/outbox"), ["mm2.eml"])
        self.assertEqual(mailbox("wait", "bob", "2"), "")
        self.assertEqual(mailbox("count", "bob"), "2")
        sent = [self.read("maildir/sent items/" + name) for name in self.messages("maildir/sent items")]
        self.assertEqual(len(sent), 2)
        for copy in sent:
            self.assertNotIn(b"X-ZM", copy)

    def test_closing_with_a_status_window_open_asks_first(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                              "window", "Status", "15000", "wait-text", "Status", ID.IDC_STATUS, "Errors: ", "30000",
                              "close", "Zenth Mail", "msgbox", "Zenth Mail", "10000", "no",
                              "settle", "Zenth Mail", "5000", "window", "Zenth Mail", "1000", "window", "Status", "1000",
                              "close", "Zenth Mail", "msgbox", "Zenth Mail", "10000", "yes", "wait-exit", "10000")
        question = ("There is a status window open. Closing this program will end any file tranfers. Continue?")
        self.assertEqual(values(out, "MSGBOX"), [question, question])
        self.assertEqual(values(out, "EXIT"), ["0"])


@unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
class TrayMode(ClientTest):
    def setUp(self):
        super().setUp()
        mailbox("clear", "alice")
        os.makedirs(self.path("maildir/inbox"), exist_ok=True)

    def tearDown(self):
        mailbox("clear", "alice")
        super().tearDown()

    def log(self):
        return self.read("zmlog.txt").decode("latin-1") if os.path.exists(self.path("zmlog.txt")) else ""

    def tray_then_wake(self, waiting):
        """Starts the client in the tray until it reports `waiting` e-mails, then
        wakes it, reads the tray's status window and closes."""
        return self.start_client("--systemtray", "wait-log", "Tray: Zenth Mail (%d e-mails)" % waiting, "60000",
                                 "hidden-command", "Zenth Mail", ID.CMD_WAKE, "window", "Status", "10000",
                                 "wait-text", "Status", ID.IDC_STATUS, "home: %d" % waiting, "5000",
                                 "window", "Zenth Mail", "5000", *CLOSE_AND_EXIT)

    def test_tray_counts_waiting_mail_and_sounds_once_per_rise(self):
        for n in range(3):
            deliver("alice", message("waiting %d" % n))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        # A new-mail sound, so that each rise plays it; the checker's minute
        # between rounds shortened to three seconds (after the bits).
        self.write("zenth.cfg", b"0 60 3\r\n\r\nZ:\\nonexistent\\ding.wav\r\n\r\n\r\n\r\n\r\n")
        # A later round finds the fourth message.
        driver = self.tray_then_wake(4)
        wait_for(lambda: "(3 e-mails)" in self.log(), 20)
        self.assertIn("Tray: Zenth Mail (3 e-mails)", self.log())
        deliver("alice", message("one more"))
        out = self.finish_client(driver)
        self.assertEqual(status_lines(out)[0], "home: 4 e-mails")
        text = self.log()
        self.assertEqual(text.count("Tray: Zenth Mail ("), 2, text)
        self.assertIn("Tray: Zenth Mail (4 e-mails)", text)
        self.assertEqual(text.count("Tray: new-mail sound played."), 2)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(mailbox("count", "alice"), "4")  # the check only counts

    def test_imap_account_reports_a_delivery_at_once(self):
        deliver("alice", message("waiting"))
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", ACCOUNT_IMAP, IMAP))
        # An hour between rounds: only the server's report can bring the
        # second one.
        self.write("zenth.cfg", b"0 60 3600\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        driver = self.tray_then_wake(2)
        wait_for(lambda: "(1 e-mails)" in self.log() and "home: IMAP IDLE started" in self.log(), 30,
                 "the first round and IDLE")
        deliver("alice", message("pushed"))
        wait_for(lambda: "Tray: Zenth Mail (2 e-mails)" in self.log(), 5, "the delivery reported")
        out = self.finish_client(driver)
        self.assertEqual(status_lines(out)[0], "home: 2 e-mails")
        text = self.log()
        self.assertIn("Tray: new mail reported by an IMAP server.", text)
        self.assertNotIn("IDLE ended", text)
        self.assertEqual(values(out, "EXIT"), ["0"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
