"""The client over TLS under Wine: accounts secured in the account manager,
"Check All Accounts" from POP3S and STLS, "Send Queued" through STARTTLS,
against the real servers with the test CA trusted in the prefix."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, drive, values, winpath  # noqa: E402

TOOLS = os.environ.get("ZM_SERVERS_TOOLS", "")
TRUST_CA = os.environ.get("ZM_TRUST_CA", "")
CA = os.environ.get("ZM_TLS_CA_DER_WIN", "")
POP3 = os.environ.get("ZM_POP3_PORT", "")
POP3S = os.environ.get("ZM_POP3S_PORT", "")
SMTP = os.environ.get("ZM_SMTP_PORT", "")
LIST, SETTINGS = "Zenth Mail - Account Manager", "Account Manager - Settings"
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
