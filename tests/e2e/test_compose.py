"""The send window in the real client under Wine: a message written and sent
through the real exim and found in dovecot's mailbox, "Send Later" and
"Send Queued", a draft saved, opened and saved again, the close question,
and a client started for a mailto address."""

import email
import email.policy
import glob
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, values, winpath  # noqa: E402
from test_transfers import SERVERS, TOOLS, account, mailbox  # noqa: E402

MAIN = "Zenth Mail"
SEND = "Send Mail"
CLOSE_AND_EXIT = ["command", MAIN, "302", "wait-exit", "10000"]
LISTED = ["window", MAIN, "15000", "sleep", "1000"]
NEW = ["command", MAIN, "343", "window", SEND, "10000", "sleep", "500"]
TEXT = "First line.\r\n.\r\nA euro: \u20ac and caf\u00e9.\r\n"


def fill(to, subject, text):
    return ["set-text", SEND, "206", to, "set-text", SEND, "212", subject, "set-text", SEND, "208", text]


def close_send_window():
    return ["close", SEND, "msgbox", "Zenth Mail", "10000", "yes", "sleep", "500"]


class Compose(ClientTest):
    def setUp(self):
        super().setUp()
        for folder in ("maildir/inbox", "maildir/outbox", "maildir/sent items", "maildir/drafts"):
            os.makedirs(self.path(folder), exist_ok=True)
        if SERVERS and TOOLS:
            for user in ("alice", "bob"):
                mailbox("clear", user)

    def files(self, folder):
        return sorted(glob.glob(self.path(folder, "*.eml")))

    def test_new_window_takes_the_first_account(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "text", SEND, "204", "text", SEND, "205", "text", SEND, "206",
                              *close_send_window(), "no-window", SEND, "3000", *CLOSE_AND_EXIT)
        server, sender, to = values(out, "TEXT")
        self.assertTrue(server.startswith("127.0.0.1:"))
        self.assertEqual(sender, '"home" <alice@example.test>')
        self.assertEqual(to, "")
        self.assertIn("If you close this window you will lose any unsaved data. Continue?", "\n".join(out))

    def test_a_first_account_named_with_a_bang_leaves_server_and_sender_empty(self):
        self.write_accounts(account("!hidden", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "text", SEND, "204", "text", SEND, "205",
                              *close_send_window(), *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["", ""])

    def test_closing_asks_first_and_no_keeps_the_window(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "close", SEND, "msgbox", "Zenth Mail", "10000", "no",
                              "sleep", "500", "window-count", SEND, *close_send_window(),
                              "window-count", SEND, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "WINDOWS"), ["1", "0"])

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_send_mail_delivers_what_was_written_with_an_attachment(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        self.write("zenth.cfg", b"4163\r\n\r\n\r\n\r\n\r\n\r\n\r\n")  # 0x40: "Save Sent Items" on
        photo = os.urandom(3 * 1024 * 1024)
        self.write("user/photo.bin", photo)
        out = self.run_client("", "any-process", *LISTED, *NEW, *fill("bob@example.test", "Hello Bob", TEXT),
                              "command", SEND, "227", "file-name", "Add Attachment", winpath(self.path("user", "photo.bin")),
                              "wait-text", SEND, "229", "photo.bin", "20000",
                              "command", SEND, "211", "window", "Status", "15000",
                              "wait-text", "Status", "213", "Mail sent successfully!", "120000",
                              "close", "Status", *close_send_window(), *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(mailbox("wait", "bob", "1"), "")
        with open(mailbox("list", "bob").splitlines()[0], "rb") as f:
            delivered = f.read()
        sent = [self.read(os.path.relpath(p, self.folder)) for p in self.files("maildir/sent items")]
        self.assertEqual(len(sent), 1)
        # The servers put their lines in front and store LF line ends; what
        # follows is the copy kept, without a private line.
        self.assertTrue(delivered.endswith(sent[0].replace(b"\r\n", b"\n")), delivered[:600])
        self.assertNotIn(b"X-ZM", sent[0])
        parsed = email.message_from_bytes(sent[0], policy=email.policy.compat32)
        self.assertEqual(parsed["Subject"], "Hello Bob")
        self.assertEqual(parsed["To"], "bob@example.test")
        text, attached = parsed.get_payload()
        self.assertEqual(text.get_payload(decode=True).decode(text.get_content_charset()), TEXT)
        self.assertEqual(attached.get_filename(), "photo.bin")
        self.assertEqual(attached.get_payload(decode=True), photo)

    def test_send_later_and_save_as_draft_put_files_in_their_folders(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, *fill("bob@example.test", "Later one", "Text later.\r\n"),
                              "command", SEND, "930", "sleep", "1500",
                              "set-text", SEND, "212", "Draft one", "command", SEND, "1090", "sleep", "1500",
                              *close_send_window(), *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        queued = self.files("maildir/outbox")
        drafts = self.files("maildir/drafts")
        self.assertEqual([os.path.basename(p) for p in queued + drafts], ["mm1.eml", "mm1.eml"])
        later = self.read(os.path.relpath(queued[0], self.folder))
        self.assertTrue(later.startswith(b"X-ZMServer: "), later[:200])
        self.assertIn(b"X-ZMRecipients: bob@example.test\r\n", later)
        self.assertIn(b"Subject: Later one\r\n", later)
        self.assertIn(b"Subject: Draft one\r\n", self.read("maildir/drafts/mm1.eml"))

    def test_a_draft_opened_edited_and_saved_stays_one_file(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, *fill("bob@example.test", "Draft", "Version one.\r\n"),
                              "command", SEND, "1090", "sleep", "1500", *close_send_window(),
                              "tree-select", MAIN, "347", "drafts", "sleep", "1500",
                              "list-select", MAIN, "303", "0", "command", MAIN, "393",
                              "window", "Send Mail (maildir\\drafts\\mm1.eml)", "10000", "sleep", "1000",
                              "text", "Send Mail (maildir\\drafts\\mm1.eml)", "212",
                              "set-text", "Send Mail (maildir\\drafts\\mm1.eml)", "212", "Draft two",
                              "command", "Send Mail (maildir\\drafts\\mm1.eml)", "216",
                              "msgbox", "Zenth Mail", "10000", "sleep", "500",
                              "close", "Send Mail (maildir\\drafts\\mm1.eml)", "msgbox", "Zenth Mail", "10000", "yes",
                              "sleep", "500", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["Draft"])
        self.assertIn("File saved.", "\n".join(out))
        drafts = self.files("maildir/drafts")
        self.assertEqual([os.path.basename(p) for p in drafts], ["mm1.eml"])
        self.assertIn(b"Subject: Draft two\r\n", self.read("maildir/drafts/mm1.eml"))
        self.assertIn(b"Draft two", self.read("maildir/drafts/mirror.dat"))

    def test_mailto_starts_a_lone_send_window_and_closing_it_ends_the_client(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("mailto:bob@example.test", "window", SEND, "15000", "sleep", "1000",
                              "text", SEND, "206", "window-count", MAIN,
                              "close", SEND, "msgbox", "Zenth Mail", "10000", "yes", "wait-exit", "10000")
        self.assertEqual(values(out, "TEXT"), ["bob@example.test"])
        self.assertEqual(values(out, "WINDOWS"), ["0"])
        self.assertEqual(values(out, "EXIT"), ["0"])


if __name__ == "__main__":
    unittest.main()
