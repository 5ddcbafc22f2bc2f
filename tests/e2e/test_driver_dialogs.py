"""The driver's file dialog steps against a program whose child process shows
the save dialog, as the client's helper will: found by title in the child,
a name typed and OK posted, Cancel, the question before replacing a file,
the dialog's folder, proposed name and rectangle, and the child's process
seen, ended and gone."""

import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import DIALOG_CHILD, DRIVER, DriverFailure, drive, values, winpath  # noqa: E402

TITLE = "Pick A Target"
EXE = "zm_dialog_child.exe"


class DriverDialogs(unittest.TestCase):
    def setUp(self):
        if not DIALOG_CHILD or not DRIVER:
            self.fail("ZM_DIALOG_CHILD and ZM_DRIVER must name the built programs")
        self.folder = tempfile.mkdtemp(prefix="zm-driver-")
        self.result = os.path.join(self.folder, "result.txt")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_rounds(self, rounds, *steps):
        argument = '%d "%s" "%s" "%s" "proposed.txt"' % (rounds, TITLE, winpath(self.result),
                                                          winpath(self.folder))
        return drive("start", winpath(DIALOG_CHILD), argument, *steps)

    def results(self):
        with open(self.result, "rb") as f:
            return f.read().decode().split("\r\n")[:-1]

    def target(self, name):
        return winpath(os.path.join(self.folder, name))

    def test_a_childs_dialog_is_found_shows_its_folder_and_proposal_takes_a_name_and_cancels(self):
        out = self.run_rounds(2, "file-dialog", TITLE, "15000", "process", EXE, "process", "nothing-like-it.exe",
                              "file-folder", TITLE, "rect", TITLE, "text", TITLE, "1148",
                              "file-name", TITLE, self.target("first.txt"), "no-window", TITLE, "5000",
                              "file-dialog", TITLE, "15000", "file-cancel", TITLE,
                              "wait-exit", "15000", "no-process", EXE, "5000")
        self.assertEqual(values(out, "FILE-DIALOG"), [TITLE, TITLE])
        self.assertEqual(values(out, "PROCESS"), [EXE + " 2", "nothing-like-it.exe 0"])
        self.assertEqual(values(out, "FOLDER"), [winpath(self.folder)])
        self.assertEqual(values(out, "TEXT"), ["proposed.txt"])
        self.assertEqual(values(out, "FILE-NAME"), [self.target("first.txt")])
        self.assertEqual(values(out, "FILE-CANCEL"), [TITLE])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(values(out, "NO-PROCESS"), [EXE])
        self.assertEqual(values(out, "MSGBOX"), [])
        self.assertEqual(self.results(), ["saved " + self.target("first.txt"), "cancelled"])
        left, top, right, bottom, _, screen = values(out, "RECT")[0].split(" ")
        width, height = (int(n) for n in screen[len("screen="):].split("x"))
        self.assertTrue(0 <= int(left) < int(right) <= width and 0 <= int(top) < int(bottom) <= height,
                        values(out, "RECT"))

    def test_the_question_before_replacing_a_file_is_answered_no_then_yes(self):
        with open(os.path.join(self.folder, "old.txt"), "wb") as f:
            f.write(b"kept")
        old = self.target("old.txt")
        out = self.run_rounds(1, "file-dialog", TITLE, "15000",
                              "file-name", TITLE, old, "replace", TITLE, "5000", "no",
                              "file-dialog", TITLE, "2000",
                              "file-name", TITLE, old, "replace", TITLE, "5000", "yes",
                              "wait-exit", "15000")
        question = "File already exists.\\nDo you want to replace it?"
        self.assertEqual(values(out, "MSGBOX"), [question, question])
        self.assertEqual(values(out, "FILE-DIALOG"), [TITLE, TITLE])
        self.assertEqual(self.results(), ["saved " + old])

    def test_a_child_ended_mid_dialog_takes_its_dialog_along(self):
        out = self.run_rounds(1, "file-dialog", TITLE, "15000", "kill-process", EXE,
                              "no-window", TITLE, "5000", "wait-exit", "15000")
        # The started program is not its own descendant: it lives to tell.
        self.assertEqual(values(out, "KILLED"), [EXE + " 1"])
        self.assertEqual(values(out, "GONE"), [TITLE])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(self.results(), ["ended 9"])

    def test_a_failed_step_ends_the_childs_process_too(self):
        # Left running, the child would hold the driver's output open.
        with self.assertRaises(DriverFailure) as failed:
            self.run_rounds(1, "file-dialog", TITLE, "15000", "window", "No Such Window", "500")
        self.assertIn('FAIL: no window "No Such Window"', str(failed.exception))
        self.assertEqual(values(drive("no-process", EXE, "5000"), "NO-PROCESS"), [EXE])


if __name__ == "__main__":
    unittest.main(verbosity=2)
