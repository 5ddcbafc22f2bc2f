"""The options program zenth-setup under Wine: zenth.cfg shown and written,
and the message key bfkey.dat made from typed characters."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, drive, values, winpath  # noqa: E402

SETUP = "Setup"
OK, CANCEL = ID.IDC_SETUP_OK, ID.IDC_SETUP_CANCEL
EXIT = ["wait-exit", "10000"]
CHECK_BOXES = [ID.IDC_NO_ATTACHMENTS, ID.IDC_AUTO_ENCRYPT, ID.IDC_PROMPT_HTML, ID.IDC_DIALUP_CHECK, ID.IDC_NO_SHOW_HTML,
               ID.IDC_NO_MULTIPART_HTML, ID.IDC_USE_SOCKS, ID.IDC_USE_DELETED_ITEMS, ID.IDC_ALWAYS_HTML,
               ID.IDC_HTML_IF_NO_TEXT, ID.IDC_NEVER_HTML]
EDITS = [ID.IDC_SOUND_FILE, ID.IDC_SOCKS_SERVER, ID.IDC_SOCKS_PORT, ID.IDC_SOCKS_USER, ID.IDC_SOCKS_PASSWORD]
KEY = "0123456789abcdefghijABCDEFGHIJ!?"
ENCRYPT_SUBJECT = os.environ.get("ZM_ENCRYPT_SUBJECT", "")


def read_controls():
    steps = []
    for box in CHECK_BOXES:
        steps += ["checked", SETUP, box]
    for edit in EDITS:
        steps += ["text", SETUP, edit]
    return steps


class Setup(ClientTest):
    def run_setup(self, *steps):
        return drive("start", winpath(self.path("zenth-setup.exe")), "", *steps)

    def boxes(self, out):
        return dict(zip(CHECK_BOXES, values(out, "CHECKED")))

    def test_a_prepared_file_is_shown_and_written_back_as_seven_lines(self):
        command = "notify.exe " + "c" * 139
        fonts = bytes(range(120))
        # 0x4000 SOCKS, 0x800 no multi-part, 0x600 both HTML bits, 0x80, 0x20 (menu), 0x4, 0x1
        # The server time-out of 120 s rides behind the bits.
        self.write("zenth.cfg", b"%d 120\r\n%s\r\nding.wav\r\n127.0.0.1\r\n1080\r\nme\r\nsecret\r\n" %
                   (0x4000 | 0x800 | 0x600 | 0x80 | 0x20 | 0x4 | 0x1, command.encode()) + fonts)
        out = self.run_setup("window", SETUP, "15000", "no-msgbox", "Zenth Mail", "500", *read_controls(),
                             "check", SETUP, ID.IDC_USE_SOCKS, "0", "check", SETUP, ID.IDC_USE_DELETED_ITEMS, "0",
                             "check", SETUP, ID.IDC_AUTO_ENCRYPT, "1",
                             "check", SETUP, ID.IDC_ALWAYS_HTML, "0", "check", SETUP, ID.IDC_HTML_IF_NO_TEXT, "1",
                             "set-text", SETUP, ID.IDC_SOUND_FILE, "C:\\sounds\\new mail.wav", "text", SETUP,
                             ID.IDC_SERVER_TIMEOUT,
                             # Below the range: refused, the dialog stays.
                             "set-text", SETUP, ID.IDC_SERVER_TIMEOUT, "9", "command", SETUP, OK, "msgbox",
                             "Zenth Mail", "10000",
                             "window", SETUP, "5000", "set-text", SETUP, ID.IDC_SERVER_TIMEOUT, "300",
                             "command", SETUP, OK, *EXIT)
        self.assertEqual(self.boxes(out), {ID.IDC_NO_ATTACHMENTS: "1", ID.IDC_AUTO_ENCRYPT: "0",
                                           ID.IDC_PROMPT_HTML: "0", ID.IDC_DIALUP_CHECK: "0",
                                           ID.IDC_NO_SHOW_HTML: "1", ID.IDC_NO_MULTIPART_HTML: "1",
                                           ID.IDC_USE_SOCKS: "1", ID.IDC_USE_DELETED_ITEMS: "1",
                                           ID.IDC_ALWAYS_HTML: "1", ID.IDC_HTML_IF_NO_TEXT: "0",
                                           ID.IDC_NEVER_HTML: "0"})
        self.assertEqual(values(out, "TEXT"), ["ding.wav", "127.0.0.1", "1080", "me", "secret", "120"])
        self.assertEqual(values(out, "MSGBOX"), ["The server time-out must be a number of seconds from 10 to 600."])
        self.assertEqual(values(out, "EXIT"), ["0"])
        bits = 0x1000 | 0x800 | 0x200 | 0x80 | 0x40 | 0x10 | 0x4 | 0x2 | 0x1
        self.assertEqual(self.read("zenth.cfg"), b"%d 300\r\n%s\r\nC:\\sounds\\new mail.wav\r\n127.0.0.1\r\n1080\r\n"
                                                 b"me\r\nsecret\r\n" % (bits, command.encode()))
        self.assertFalse(os.path.exists(self.path("bfkey.dat")))
        # The client starts on it without a word.
        out = self.run_client("", "window", "Zenth Mail", "15000", "no-msgbox", "Zenth Mail", "1000",
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_without_a_file_the_dialog_is_empty_and_ok_writes_its_bits(self):
        out = self.run_setup("msgbox", "Zenth Mail", "15000", "window", SETUP, "5000", *read_controls(),
                             "command", SETUP, OK, *EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Could not open config file!"])
        self.assertEqual(set(values(out, "CHECKED")), {"0"})
        self.assertEqual(values(out, "TEXT"), [""] * 5)
        self.assertEqual(self.read("zenth.cfg"), b"%d\r\n" % (0x1000 | 0x43) + b"\r\n" * 6)

    def test_cancel_writes_nothing(self):
        self.write("zenth.cfg", b"0\r\n")
        self.run_setup("window", SETUP, "15000", "check", SETUP, ID.IDC_NO_ATTACHMENTS, "1", "set-text", SETUP,
                       ID.IDC_KEY_TEXT, KEY,
                       "command", SETUP, CANCEL, *EXIT)
        self.assertEqual(self.read("zenth.cfg"), b"0\r\n")
        self.assertFalse(os.path.exists(self.path("bfkey.dat")))

    def make_key(self):
        return self.run_setup("window", SETUP, "15000", "set-text", SETUP, ID.IDC_KEY_TEXT, KEY, "command", SETUP, OK,
                              *EXIT)

    def test_a_key_from_32_characters_is_masked_and_the_client_reads_with_it(self):
        self.write("zenth.cfg", b"0\r\n")
        self.make_key()
        key = self.read("bfkey.dat")
        self.assertEqual(len(key), 32)
        self.assertNotEqual(key, KEY.encode())
        # The same text in a fresh folder gives another key.
        os.remove(self.path("bfkey.dat"))
        self.make_key()
        self.assertNotEqual(self.read("bfkey.dat"), key)

        # A message enciphered under the key lists in clear.
        stored = subprocess.run(["wine", ENCRYPT_SUBJECT, winpath(self.folder), "Quarterly figures"],
                                capture_output=True, text=True, timeout=60, check=True).stdout.strip()
        self.assertNotIn("Quarterly", stored)
        self.write("maildir/inbox/mm1.eml", b"From: ann@example.test\r\nTo: me@example.test\r\nSubject: " +
                   stored.encode() + b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n"
                   b"Content-Transfer-Encoding: X-ZMcrypt\r\n\r\n")
        out = self.run_client("", "window", "Zenth Mail", "15000", "no-msgbox", "Zenth Mail", "1000",
                              "wait-log", "Displayed messages in", "15000", "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        self.assertEqual(len(values(out, "ROW")), 1)
        self.assertIn("| Quarterly figures |", values(out, "ROW")[0])

    def test_an_existing_key_is_replaced_only_when_the_user_says_so(self):
        self.write("zenth.cfg", b"0\r\n")
        self.write("bfkey.dat", b"k" * 32)
        question = ("A key file bfkey.dat already exists. Messages encrypted with it cannot be read with a new key. "
                    "Replace it?")
        out = self.run_setup("window", SETUP, "15000", "set-text", SETUP, ID.IDC_KEY_TEXT, KEY, "command", SETUP, OK,
                             "msgbox", "Install", "10000", "no", "window", SETUP, "2000",
                             "set-text", SETUP, ID.IDC_KEY_TEXT, KEY[:31], "command", SETUP, OK,
                             "msgbox", "Install", "10000", "window", SETUP, "2000",
                             "set-text", SETUP, ID.IDC_KEY_TEXT, KEY, "command", SETUP, OK,
                             "msgbox", "Install", "10000", "yes", *EXIT)
        self.assertEqual(values(out, "MSGBOX"), [question, "Key string is too short!", question])
        key = self.read("bfkey.dat")
        self.assertEqual(len(key), 32)
        self.assertNotEqual(key, b"k" * 32)
        self.assertEqual(self.read("zenth.cfg"), b"%d\r\n" % 0x43 + b"\r\n" * 6)

    def test_no_keeps_the_key_and_writes_nothing(self):
        self.write("zenth.cfg", b"0\r\n")
        self.write("bfkey.dat", b"k" * 32)
        self.run_setup("window", SETUP, "15000", "set-text", SETUP, ID.IDC_KEY_TEXT, KEY, "command", SETUP, OK,
                       "msgbox", "Install", "10000", "no", "command", SETUP, CANCEL, *EXIT)
        self.assertEqual(self.read("bfkey.dat"), b"k" * 32)
        self.assertEqual(self.read("zenth.cfg"), b"0\r\n")

    def test_a_key_that_cannot_be_written_keeps_the_old_one_and_the_settings(self):
        self.write("zenth.cfg", b"0\r\n")
        self.write("bfkey.dat", b"k" * 32)
        os.makedirs(self.path("bfkey.dat.new"))
        out = self.run_setup("window", SETUP, "15000", "set-text", SETUP, ID.IDC_KEY_TEXT, KEY, "command", SETUP, OK,
                             "msgbox", "Install", "10000", "yes", "msgbox", "Install", "10000",
                             "window", SETUP, "2000", "command", SETUP, CANCEL, *EXIT)
        self.assertEqual(values(out, "MSGBOX")[1], "Could not write key file bfkey.dat!")
        self.assertEqual(self.read("bfkey.dat"), b"k" * 32)
        self.assertEqual(self.read("zenth.cfg"), b"0\r\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
