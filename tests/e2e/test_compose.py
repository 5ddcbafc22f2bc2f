"""The send window in the real client under Wine: a message written and sent
through the real exim and found in dovecot's mailbox, "Send Later" and
"Send Queued", a draft saved, opened and saved again, the close question,
and a client started for a mailto address."""

import base64
import email
import email.policy
import glob
import os
import quopri
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402
from test_transfers import SERVERS, TOOLS, account, mailbox  # noqa: E402

MAIN = "Zenth Mail"
SEND = "Send Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "10000"]
LISTED = ["window", MAIN, "15000", "wait-log", "Displayed messages in", "15000"]
NEW = ["command", MAIN, ID.IDC_NEW_EMAIL, "window", SEND, "10000", "settle", SEND, "10000"]
TEXT = "First line.\r\n.\r\nA euro: \u20ac and caf\u00e9.\r\n"


def fill(to, subject, text):
    return ["set-text", SEND, ID.IDC_SEND_TO, to, "set-text", SEND, ID.IDC_SEND_SUBJECT, subject, "set-text", SEND,
            ID.IDC_SEND_EDITOR, text]


def close_send_window():
    return ["close", SEND, "msgbox", "Zenth Mail", "10000", "yes", "no-window", SEND, "10000"]


class Compose(ClientTest):
    def setUp(self):
        super().setUp()
        for folder in ("maildir/inbox", "maildir/outbox", "maildir/sent items", "maildir/drafts"):
            os.makedirs(self.path(folder), exist_ok=True)
        if SERVERS and TOOLS:
            for user in ("alice", "bob"):
                mailbox("clear", user)

    def saved(self, folder):
        """Steps that wait for the first message file of a folder."""
        return ["wait-file", winpath(self.path("maildir", folder, "mm1.eml")), "", "10000"]

    def files(self, folder):
        return sorted(glob.glob(self.path(folder, "*.eml")))

    def test_new_window_takes_the_first_account(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "text", SEND, ID.IDC_SEND_SERVER, "text", SEND, ID.IDC_SEND_FROM,
                              "text", SEND, ID.IDC_SEND_TO,
                              *close_send_window(), "no-window", SEND, "3000", *CLOSE_AND_EXIT)
        server, sender, to = values(out, "TEXT")
        self.assertTrue(server.startswith("127.0.0.1:"))
        self.assertEqual(sender, '"home" <alice@example.test>')
        self.assertEqual(to, "")
        self.assertIn("If you close this window you will lose any unsaved data. Continue?", "\n".join(out))

    def test_a_first_account_named_with_a_bang_leaves_server_and_sender_empty(self):
        self.write_accounts(account("!hidden", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "text", SEND, ID.IDC_SEND_SERVER, "text", SEND, ID.IDC_SEND_FROM,
                              *close_send_window(), *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["", ""])

    def test_closing_asks_first_and_no_keeps_the_window(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "close", SEND, "msgbox", "Zenth Mail", "10000", "no",
                              "settle", SEND, "5000", "window-count", SEND, *close_send_window(),
                              "window-count", SEND, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "WINDOWS"), ["1", "0"])

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_send_mail_delivers_what_was_written_with_an_attachment(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        self.write("zenth.cfg", b"4163\r\n\r\n\r\n\r\n\r\n\r\n\r\n")  # 0x40: "Save Sent Items" on
        photo = os.urandom(3 * 1024 * 1024)
        self.write("user/photo.bin", photo)
        out = self.run_client("", "any-process", *LISTED, *NEW, *fill("bob@example.test", "Hello Bob", TEXT),
                              "command", SEND, ID.SEND_ADD_ATTACHMENT, "file-name", "Add Attachment",
                              winpath(self.path("user", "photo.bin")),
                              "wait-text", SEND, ID.IDC_SEND_ATTACHMENTS, "photo.bin", "20000",
                              "command", SEND, ID.IDC_SEND_BUTTON, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Mail sent successfully!", "120000",
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
        # The client's own id, the same in what was delivered and in the
        # copy kept: exim added none of its own.
        ids = [email.message_from_bytes(m, policy=email.policy.compat32).get_all("Message-ID")
               for m in (delivered, sent[0])]
        self.assertEqual(ids[0], ids[1])
        self.assertEqual(len(ids[0]), 1)
        self.assertRegex(ids[0][0], r"^<[A-Za-z0-9_-]{22}@example\.test>$")
        parsed = email.message_from_bytes(sent[0], policy=email.policy.compat32)
        self.assertEqual(parsed["Subject"], "Hello Bob")
        self.assertEqual(parsed["To"], "bob@example.test")
        text, attached = parsed.get_payload()
        self.assertEqual(text.get_payload(decode=True).decode(text.get_content_charset()), TEXT)
        self.assertEqual(attached.get_filename(), "photo.bin")
        self.assertEqual(attached.get_payload(decode=True), photo)

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_an_encrypted_message_travels_enciphered_and_reads_in_clear(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        # 0x10: "Automatically Encrypt Messages", with the shared key.
        self.write("zenth.cfg", b"4179\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        self.write("bfkey.dat", b"0123456789abcdef0123456789abcdef")
        secret = "The meeting moved to Thursday.\r\n"
        out = self.run_client("", *LISTED, *NEW, *fill("alice@example.test", "Secret", secret),
                              "command", SEND, ID.IDC_SEND_BUTTON, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Mail sent successfully!", "60000",
                              "close", "Status", *close_send_window(),
                              # Receive: its status window closes by itself when all went well.
                              "command", MAIN, ID.IDC_RECEIVE, "wait-rows", MAIN, ID.IDC_MESSAGE_LIST, "1", "60000",
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "0", "left", "command", MAIN, ID.CMD_SHOW_TEXT,
                              "wait-text", MAIN, ID.IDC_PREVIEW, "Thursday", "10000",
                              "text-utf8", MAIN, ID.IDC_PREVIEW, *CLOSE_AND_EXIT)
        with open(mailbox("list", "alice").splitlines()[0], "rb") as f:
            delivered = f.read()
        self.assertIn(b"Content-Transfer-Encoding: X-ZMcrypt", delivered)
        self.assertNotIn(b"Thursday", delivered)
        self.assertEqual(bytes.fromhex(values(out, "UTF8")[0]).decode("utf-8"), secret)

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_reply_to_a_reply_fills_the_window_and_carries_its_thread(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        self.write("zenth.cfg", b"4163\r\n\r\n\r\n\r\n\r\n\r\n\r\n")  # reply with the message, indented
        self.write("maildir/inbox/mm1.eml",
                   b"From: \"Carol\" <carol@example.test>\r\nTo: alice@example.test\r\nSubject: Lunch\r\n"
                   b"Message-ID: <lunch-1@example.test>\r\nIn-Reply-To: <lunch-0@example.test>\r\n"
                   b"References: <lunch-0@example.test>\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n"
                   b"Shall we?\r\nAt noon.\r\n")
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.IDC_REPLY,
                              "window", "Reply", "10000", "settle", "Reply", "10000",
                              "text-utf8", "Reply", ID.IDC_SEND_TO, "text-utf8", "Reply", ID.IDC_SEND_SUBJECT,
                              "text-utf8", "Reply", ID.IDC_SEND_EDITOR,
                              "set-text", "Reply", ID.IDC_SEND_TO, "bob@example.test",
                              "command", "Reply", ID.IDC_SEND_BUTTON, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Mail sent successfully!", "60000",
                              "close", "Status", "close", "Reply", "msgbox", "Zenth Mail", "10000", "yes",
                              "no-window", "Reply", "10000", *CLOSE_AND_EXIT)
        to, subject, text = [bytes.fromhex(h).decode("utf-8") for h in values(out, "UTF8")]
        self.assertEqual(to, '"Carol" <carol@example.test>')
        self.assertEqual(subject, "Re: Lunch")
        # The introduction line, then the message quoted ("Indent Quoted Text" is on).
        self.assertTrue(text.startswith("On 2026-12-07 10:00:00 +0000, Carol wrote:\r\n\r\n> Shall we?\r\n> At noon."),
                        text)
        self.assertEqual(mailbox("wait", "bob", "1"), "")
        with open(mailbox("list", "bob").splitlines()[0], "rb") as f:
            delivered = email.message_from_bytes(f.read(), policy=email.policy.compat32)
        self.assertEqual(delivered["In-Reply-To"], "<lunch-1@example.test>")
        # Both ancestors, the oldest first.
        self.assertEqual(delivered["References"].split(), ["<lunch-0@example.test>", "<lunch-1@example.test>"])
        self.assertRegex(delivered["Message-ID"], r"^<[A-Za-z0-9_-]{22}@example\.test>$")

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_forward_takes_the_attachments_over(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        photo = bytes(range(256)) * 40
        notes = "caf\u00e9 notes\r\n".encode("latin-1")
        body = (b"--b2\r\nContent-Type: text/plain\r\n\r\nSee attached.\r\n"
                b"--b2\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
                b"Content-Disposition: attachment; filename=\"photo.bin\"\r\n\r\n" +
                base64.encodebytes(photo).replace(b"\n", b"\r\n") +
                b"--b2\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n"
                b"Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\n" +
                quopri.encodestring(notes) + b"\r\n--b2--\r\n")
        self.write("maildir/inbox/mm1.eml",
                   b"From: \"Carol\" <carol@example.test>\r\nTo: alice@example.test\r\nSubject: Files\r\n"
                   b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\nMIME-Version: 1.0\r\n"
                   b"Content-Type: multipart/mixed; boundary=b2\r\n\r\n" + body)
        # The window comes first and a worker fills it afterwards, the
        # attachments last: their names show once the fill is done.
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN,
                              ID.IDC_FORWARD,
                              "window", SEND, "10000", "wait-shows", SEND, ID.IDC_SEND_ATTACHMENTS, "notes.txt",
                              "15000",
                              "text", SEND, ID.IDC_SEND_SUBJECT, "text", SEND, ID.IDC_SEND_ATTACHMENTS, "text-utf8",
                              SEND, ID.IDC_SEND_EDITOR,
                              "set-text", SEND, ID.IDC_SEND_TO, "bob@example.test",
                              "command", SEND, ID.IDC_SEND_BUTTON, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Mail sent successfully!", "60000",
                              "close", "Status", *close_send_window(), *CLOSE_AND_EXIT)
        subject, names = values(out, "TEXT")[:2]
        self.assertEqual(subject, "Fw: Files")
        self.assertEqual(names, "photo.bin  notes.txt  ")
        text = bytes.fromhex(values(out, "UTF8")[0]).decode("utf-8")
        self.assertTrue(text.startswith('\r\n----- Original Message -----\r\nFrom: "Carol" <carol@example.test>\r\n'
                                        'To: alice@example.test\r\nSent: 2026-12-07 10:00:00 +0000\r\n'
                                        'Subject: Files\r\n\r\nSee attached.'), text)
        self.assertEqual(mailbox("wait", "bob", "1"), "")
        with open(mailbox("list", "bob").splitlines()[0], "rb") as f:
            parsed = email.message_from_bytes(f.read(), policy=email.policy.compat32)
        parts = parsed.get_payload()
        self.assertEqual([p.get_filename() for p in parts[1:]], ["photo.bin", "notes.txt"])
        self.assertEqual(parts[1].get_payload(decode=True), photo)
        self.assertEqual(parts[2].get_payload(decode=True), notes)

    @unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
    def test_send_later_then_send_queued_delivers_it(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, *fill("bob@example.test", "Queued one", "Later.\r\n"),
                              "command", SEND, ID.SEND_LATER, *self.saved("outbox"), *close_send_window(),
                              "command", MAIN, ID.CMD_SEND_QUEUED, "window", "Status", "15000",
                              "wait-text", "Status", ID.IDC_STATUS, "Done.", "60000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(mailbox("wait", "bob", "1"), "")
        with open(mailbox("list", "bob").splitlines()[0], "rb") as f:
            delivered = f.read()
        self.assertIn(b"Subject: Queued one\n", delivered)
        self.assertNotIn(b"X-ZM", delivered)
        self.assertEqual(self.files("maildir/outbox"), [])

    def test_reply_to_list_in_the_original_style_without_indenting(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        # Reply with the message (0x2) and "Original Message Reply Style" (0x2000), no indenting.
        self.write("zenth.cfg", b"12354\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        self.write("maildir/inbox/mm1.eml",
                   b"From: \"Carol\" <carol@example.test>\r\nTo: alice@example.test, dan@example.test\r\n"
                   b"Cc: erin@example.test\r\nSubject: RE: Plans\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n"
                   b"Friday?\r\n")
        # The window is made before the main window's thread fills it, the
        # text last.
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN,
                              ID.CMD_REPLY_TO_LIST,
                              "window", SEND, "10000", "wait-shows", SEND, ID.IDC_SEND_EDITOR, "Friday?", "15000",
                              "text", SEND, ID.IDC_SEND_TO, "text", SEND, ID.IDC_SEND_SUBJECT, "text-utf8", SEND,
                              ID.IDC_SEND_EDITOR,
                              *close_send_window(), *CLOSE_AND_EXIT)
        to, subject = values(out, "TEXT")
        self.assertEqual(to, '"Carol" <carol@example.test>,alice@example.test, dan@example.test,erin@example.test')
        self.assertEqual(subject, "RE: Plans")
        text = bytes.fromhex(values(out, "UTF8")[0]).decode("utf-8")
        self.assertEqual(text, "\r\n----- Original Message -----\r\nFrom: \"Carol\" <carol@example.test>\r\n"
                               "To: alice@example.test, dan@example.test,erin@example.test\r\n"
                               "Sent: 2026-12-07 10:00:00 +0000\r\nSubject: RE: Plans\r\n\r\nFriday?\r\n")

    def test_custom_text_is_read_as_utf8_or_the_system_code_page(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, "command", SEND, ID.SEND_CUSTOM_TEXT, "msgbox", "Zenth Mail", "5000",
                              *close_send_window(), *CLOSE_AND_EXIT)
        self.assertIn("Cannot find customtext.txt", values(out, "MSGBOX"))
        for data in ("Gr\u00fc\u00dfe\r\n".encode("utf-8"), "Gr\u00fc\u00dfe\r\n".encode("cp1252")):
            self.write("customtext.txt", data)
            out = self.run_client("", *LISTED, *NEW, "send-command", SEND, ID.SEND_CUSTOM_TEXT,
                                  "text-utf8", SEND, ID.IDC_SEND_EDITOR, *close_send_window(), *CLOSE_AND_EXIT)
            self.assertEqual(bytes.fromhex(values(out, "UTF8")[0]).decode("utf-8"), "Gr\u00fc\u00dfe\r\n")

    def test_send_later_and_save_as_draft_put_files_in_their_folders(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("", *LISTED, *NEW, *fill("bob@example.test", "Later one", "Text later.\r\n"),
                              "command", SEND, ID.SEND_LATER, *self.saved("outbox"),
                              "set-text", SEND, ID.IDC_SEND_SUBJECT, "Draft one", "command", SEND, ID.SEND_SAVE_DRAFT,
                              *self.saved("drafts"),
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
                              "command", SEND, ID.SEND_SAVE_DRAFT, *self.saved("drafts"), *close_send_window(),
                              "tree-select", MAIN, ID.IDC_FOLDER_TREE, "drafts", "wait-rows", MAIN, ID.IDC_MESSAGE_LIST,
                              "1", "10000",
                              "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.CMD_OPEN_FILE,
                              "window", "Send Mail (maildir\\drafts\\mm1.eml)", "10000", "settle", "Send Mail (maildir\\drafts\\mm1.eml)", "10000",
                              "text", "Send Mail (maildir\\drafts\\mm1.eml)", ID.IDC_SEND_SUBJECT,
                              "set-text", "Send Mail (maildir\\drafts\\mm1.eml)", ID.IDC_SEND_SUBJECT, "Draft two",
                              "command", "Send Mail (maildir\\drafts\\mm1.eml)", ID.SEND_SAVE,
                              "msgbox", "Zenth Mail", "10000", "settle", "Send Mail (maildir\\drafts\\mm1.eml)", "5000",
                              "close", "Send Mail (maildir\\drafts\\mm1.eml)", "msgbox", "Zenth Mail", "10000", "yes",
                              "no-window", "Send Mail (maildir\\drafts\\mm1.eml)", "10000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["Draft"])
        self.assertIn("File saved.", "\n".join(out))
        drafts = self.files("maildir/drafts")
        self.assertEqual([os.path.basename(p) for p in drafts], ["mm1.eml"])
        self.assertIn(b"Subject: Draft two\r\n", self.read("maildir/drafts/mm1.eml"))
        self.assertIn(b"Draft two", self.read("maildir/drafts/mirror.dat"))

    def test_mailto_starts_a_lone_send_window_and_closing_it_ends_the_client(self):
        self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox"))
        out = self.run_client("mailto:bob@example.test", "window", SEND, "15000", "settle", SEND, "10000",
                              "text", SEND, ID.IDC_SEND_TO, "window-count", MAIN,
                              "close", SEND, "msgbox", "Zenth Mail", "10000", "yes", "wait-exit", "10000")
        self.assertEqual(values(out, "TEXT"), ["bob@example.test"])
        self.assertEqual(values(out, "WINDOWS"), ["0"])
        self.assertEqual(values(out, "EXIT"), ["0"])


if __name__ == "__main__":
    unittest.main()
