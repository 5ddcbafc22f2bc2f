"""The client's file dialogs through its helper: "Save" of a message with the
question before replacing a file, Cancel, "Extract Attachments" with one dialog
per attachment proposing its name and starting where the last one ended, a
start without the helper, and the helper ended while its dialog is open."""

import base64
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]
LISTED = ["window", "Zenth Mail", "15000", "wait-log", "Displayed messages in", "15000",
          "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0"]
PICKER = "zenth-picker.exe"
SAVE_EMAIL = "Save Email"
SAVE_ATTACHMENT = "Save Attachment"

PLAIN = (b"From: Zoe <zoe@example.test>\r\nTo: me@example.test\r\nSubject: Plans\r\n"
         b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n")
FIRST = b"first attachment\r\nwith two lines\r\n"
SECOND = bytes(range(256)) * 3


def with_attachments():
    parts = [b"From: Mia <mia@example.test>\r\nTo: me@example.test\r\nSubject: Files\r\n"
             b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\nMIME-Version: 1.0\r\n"
             b"Content-Type: multipart/mixed; boundary=\"zmb\"\r\n\r\n"
             b"--zmb\r\nContent-Type: text/plain\r\n\r\nTwo files.\r\n"]
    for name, data in ((b"notes.txt", FIRST), (b"table.bin", SECOND)):
        parts.append(b"--zmb\r\nContent-Type: application/octet-stream; name=\"" + name + b"\"\r\n"
                     b"Content-Transfer-Encoding: base64\r\n"
                     b"Content-Disposition: attachment; filename=\"" + name + b"\"\r\n\r\n" +
                     base64.encodebytes(data).replace(b"\n", b"\r\n"))
    parts.append(b"--zmb--\r\n")
    return b"".join(parts)


class FileDialogs(ClientTest):
    def setUp(self):
        super().setUp()
        self.write("maildir/inbox/mm1.eml", PLAIN)

    def test_save_asks_before_replacing_and_leaves_no_helper_behind(self):
        self.write("user/kept.eml", b"older")
        out = self.run_client("", *LISTED,
                              "command", "Zenth Mail", ID.IDC_SAVE, "file-dialog", SAVE_EMAIL, "15000",
                              "file-name", SAVE_EMAIL, "kept", "replace", SAVE_EMAIL, "5000", "no",
                              "file-cancel", SAVE_EMAIL, "no-window", SAVE_EMAIL, "5000", "settle", "Zenth Mail", "5000",
                              "command", "Zenth Mail", ID.IDC_SAVE, "file-dialog", SAVE_EMAIL, "15000",
                              "file-name", SAVE_EMAIL, "kept", "replace", SAVE_EMAIL, "5000", "yes",
                              "no-window", SAVE_EMAIL, "5000", "wait-file", winpath(self.path("user/kept.eml")), "Plans", "5000",
                              *CLOSE_AND_EXIT, "no-process", PICKER, "5000")
        self.assertEqual(values(out, "FILE-DIALOG"), [SAVE_EMAIL, SAVE_EMAIL])
        self.assertEqual(len(values(out, "MSGBOX")), 2)
        self.assertEqual(self.read("user/kept.eml"), self.read("maildir/inbox/mm1.eml"))
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(values(out, "NO-PROCESS"), [PICKER])

    def test_cancel_writes_nothing_and_shows_nothing(self):
        out = self.run_client("", *LISTED,
                              "command", "Zenth Mail", ID.IDC_SAVE, "file-dialog", SAVE_EMAIL, "15000",
                              "file-cancel", SAVE_EMAIL, "no-window", SAVE_EMAIL, "5000",
                              "no-msgbox", "Zenth Mail", "1000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [])
        self.assertEqual(os.listdir(self.path("user")), [])

    def test_extract_attachments_offers_each_under_its_name_where_the_last_one_went(self):
        self.write("maildir/inbox/mm1.eml", with_attachments())
        os.makedirs(self.path("out"))
        target = winpath(self.path("out"))
        out = self.run_client("", *LISTED, "settle", "Zenth Mail", "5000",
                              "command", "Zenth Mail", ID.CMD_EXTRACT_ATTACHMENTS, "file-dialog", SAVE_ATTACHMENT,
                              "15000",
                              "text", SAVE_ATTACHMENT, "1148", "file-folder", SAVE_ATTACHMENT,
                              "file-name", SAVE_ATTACHMENT, target + "\\first.txt",
                              "no-window", SAVE_ATTACHMENT, "5000",
                              "file-dialog", SAVE_ATTACHMENT, "15000",
                              "text", SAVE_ATTACHMENT, "1148", "file-folder", SAVE_ATTACHMENT,
                              "file-name", SAVE_ATTACHMENT, "second.bin",
                              "no-window", SAVE_ATTACHMENT, "5000", "wait-file", winpath(self.path("out/second.bin")), "", "5000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["notes.txt", "table.bin"])
        self.assertEqual(values(out, "FOLDER"), [winpath(self.path("user")), target])
        self.assertEqual(self.read("out/first.txt"), FIRST)
        self.assertEqual(self.read("out/second.bin"), SECOND)

    def test_a_helper_ended_mid_dialog_gives_the_window_back(self):
        out = self.run_client("", *LISTED,
                              "command", "Zenth Mail", ID.IDC_SAVE, "file-dialog", SAVE_EMAIL, "15000",
                              "kill-process", PICKER, "no-window", SAVE_EMAIL, "5000",
                              "wait-log", "The file dialog helper ended while its dialog was open.", "5000",
                              "send-command", "Zenth Mail", ID.IDC_SAVE, "no-window", SAVE_EMAIL, "2000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "KILLED"), [PICKER + " 1"])
        self.assertEqual(values(out, "EXIT"), ["0"])
        log = self.read("zmlog.txt").decode()
        self.assertIn("The file dialog helper ended while its dialog was open.", log)
        self.assertEqual(os.listdir(self.path("user")), [])


class WithoutHelper(ClientTest):
    with_picker = False

    def test_start_tells_once_and_save_does_nothing(self):
        self.write("maildir/inbox/mm1.eml", PLAIN)
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", *LISTED,
                              "command", "Zenth Mail", ID.IDC_SAVE, "no-msgbox", "Zenth Mail", "1500",
                              "settle", "Zenth Mail", "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [
            "The file zenth-picker.exe must be in the same folder as zenthmail.exe in order to use open/save "
            "dialogs."])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(os.listdir(self.path("user")), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
