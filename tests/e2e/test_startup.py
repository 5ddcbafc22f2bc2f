"""Start-up and shut-down of the client, seen from the program folder."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

STAMP = rb"\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] "
FOLDERS = ["maildir", "maildir/inbox", "maildir/outbox", "maildir/sent items", "maildir/drafts",
           "maildir/deleted items", "temp", "colors", "user"]
CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]


class FreshStart(ClientTest):
    def test_first_start_lays_out_the_program_folder_and_exits_cleanly(self):
        out = self.run_client("", "window", "Zenth Mail", "15000",
                              "no-msgbox", "Zenth Mail", "1000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        for folder in FOLDERS:
            self.assertTrue(os.path.isdir(self.path(folder)), folder)
        self.assertEqual(self.read("ab.dat"), b"")
        self.assertEqual(self.read("zenth.cfg"), b"")
        # The first entry; the list of the first folder is logged after it.
        self.assertRegex(self.read("zmlog.txt"), re.compile(b"^" + STAMP + rb"Zenth Mail initiated\.\r\n"))

    def test_window_opens_maximised_with_its_title(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", "rect", "Zenth Mail", *CLOSE_AND_EXIT)
        self.assertIn("zoomed=1", values(out, "RECT")[0])

    def test_each_run_appends_its_first_line_to_the_log(self):
        self.write("zmlog.txt", b"[2009-03-02 07:05:09] Zenth Mail initiated.\r\n")
        self.run_client("", "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.run_client("", "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        log = self.read("zmlog.txt")
        self.assertTrue(log.startswith(b"[2009-03-02 07:05:09] Zenth Mail initiated.\r\n"))
        self.assertEqual(len(re.findall(b"\\] Zenth Mail initiated\\.\r\n", log)), 3)
        self.assertRegex(log, re.compile(b"^[^\r]*\r\n" + STAMP + rb"Zenth Mail initiated\.\r\n"))

    def test_existing_files_are_kept(self):
        self.write("ab.dat", b"someone\r\n")
        self.write("maildir/inbox/mm1.eml", b"Subject: kept\r\n\r\n")
        self.run_client("", "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(self.read("ab.dat"), b"someone\r\n")
        self.assertEqual(self.read("maildir/inbox/mm1.eml"), b"Subject: kept\r\n\r\n")


class Closing(ClientTest):
    def test_close_box_ends_the_client(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", "close", "Zenth Mail",
                              "wait-exit", "5000")
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_ctrl_q_ends_the_client(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", "wait-foreground", "Zenth Mail", "5000", "keys", "ctrl+q",
                              "wait-exit", "5000")
        self.assertEqual(values(out, "EXIT"), ["0"])


class MissingPicker(ClientTest):
    with_picker = False

    def test_missing_helper_is_told_and_start_goes_on(self):
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", "window", "Zenth Mail", "15000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [
            "The file zenth-picker.exe must be in the same folder as zenthmail.exe in order to use "
            "open/save dialogs."])
        self.assertEqual(values(out, "EXIT"), ["0"])


class CommandLine(ClientTest):
    def test_message_file_is_copied_into_temp(self):
        message = b"From: a@example.com\r\nSubject: opened\r\n\r\nHello\r\n"
        self.write("outside/saved.eml", message)
        out = self.run_client(winpath(self.path("outside/saved.eml")), "window", "Zenth Mail", "15000",
                              "no-msgbox", "Zenth Mail", "500", *CLOSE_AND_EXIT)
        self.assertEqual(self.read("temp/mm1.eml"), message)
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_path_with_blanks_works_without_quotes(self):
        self.write("my mail/a saved message.eml", b"Subject: blanks\r\n\r\n")
        self.run_client(winpath(self.path("my mail/a saved message.eml")), "window", "Zenth Mail", "15000",
                        "no-msgbox", "Zenth Mail", "500", *CLOSE_AND_EXIT)
        self.assertEqual(self.read("temp/mm1.eml"), b"Subject: blanks\r\n\r\n")

    def test_quoted_path_is_not_found(self):
        self.write("my mail/quoted.eml", b"Subject: q\r\n\r\n")
        out = self.run_client('"%s"' % winpath(self.path("my mail/quoted.eml")),
                              "msgbox", "Zenth Mail", "15000", "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Could not open command line file."])
        self.assertFalse(os.path.exists(self.path("temp/mm1.eml")))

    def test_missing_file_is_told_and_start_goes_on(self):
        out = self.run_client(winpath(self.path("nowhere.eml")), "msgbox", "Zenth Mail", "15000",
                              "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Could not open command line file."])
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_tray_switch_with_a_trailing_blank_is_a_path(self):
        out = self.run_client("--systemtray ", "msgbox", "Zenth Mail", "15000",
                              "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Could not open command line file."])

    def test_capital_mailto_prefix_is_a_path(self):
        out = self.run_client("MAILTO:someone@example.com", "msgbox", "Zenth Mail", "15000",
                              "window", "Zenth Mail", "15000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Could not open command line file."])


class FatalStart(ClientTest):
    def test_folder_that_cannot_be_made_ends_the_start_after_the_log_line(self):
        # A file where the store folder should be: "maildir" exists, so the
        # first folder made below it fails.
        self.write("maildir", b"a file, not a folder")
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", "wait-exit", "5000")
        self.assertEqual(values(out, "MSGBOX"), ["Could not create directory maildir\\inbox!"])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertRegex(self.read("zmlog.txt"), re.compile(b"^" + STAMP + rb"Zenth Mail initiated\.\r\n$"))
        self.assertFalse(os.path.exists(self.path("ab.dat")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
