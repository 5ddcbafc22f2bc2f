"""The main window in the real client: the splitter bars dragged with the
mouse, to the edges too, the minimum size and a minimised window, a window
whose bar lies far right kept within the screen, the tray's status window
closed by its close box, a refused rename told once, "View Source" with and
without a message, the account manager started without waiting, a folder
deletion refused while a large folder fills, Mark and Delete pressed while
one fills, and menu 3000's Delete."""

import os
import re
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

STAND_IN = os.environ.get("ZM_STAND_IN", "")
MAIN = "Zenth Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "5000"]
FILLED = ["wait-log", "Displayed messages in", "15000"]
LISTED = ["window", MAIN, "15000", *FILLED]
# Shown and laid out at its full size.
SHOWN = ["window", MAIN, "15000", "answered", MAIN, "5000"]
UNAVAILABLE = "This option is currently unavailable. Please try later."


def message(sender, subject):
    return (b"From: " + sender + b"\r\nTo: me@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n")


def boxes(out):
    """Each CHILD line as (client box, screen box), four numbers each."""
    found = []
    for line in values(out, "CHILD"):
        numbers = [int(n) for n in re.findall(r"-?\d+", line)]
        found.append((numbers[:4], numbers[4:]))
    return found


class MainWindow(ClientTest):
    def test_dragging_the_vertical_bar_moves_tree_and_list(self):
        out = self.run_client("", *LISTED, "answered", MAIN, "5000",
                              "child-rect", MAIN, ID.BAR_ID_VERTICAL, "child-rect", MAIN, ID.IDC_FOLDER_TREE,
                              "child-rect", MAIN, ID.IDC_MESSAGE_LIST,
                              "drag-child", MAIN, ID.BAR_ID_VERTICAL, "200", "0", "wait-moved", MAIN,
                              ID.BAR_ID_VERTICAL, "5000",
                              "settle", MAIN, "5000",
                              "child-rect", MAIN, ID.BAR_ID_VERTICAL, "child-rect", MAIN, ID.IDC_FOLDER_TREE,
                              "child-rect", MAIN, ID.IDC_MESSAGE_LIST,
                              *CLOSE_AND_EXIT)
        (bar, _), (tree, _), (listed, _), (bar2, _), (tree2, _), (listed2, _) = boxes(out)
        self.assertEqual(tree[2], bar[0])
        self.assertEqual(listed[0], bar[2])
        # The bar settles on a whole percent, within a few pixels of the drop.
        self.assertAlmostEqual(bar2[0] - bar[0], 200, delta=15)
        self.assertEqual(tree2[2], bar2[0])
        self.assertEqual(listed2[0], bar2[2])
        self.assertEqual(listed2[2], listed[2])

    def test_minimum_size_and_minimise_restore(self):
        # The frame's corner dragged far up and left: the window stops at
        # its minimum width of 700 pixels; minimised and restored, the
        # list is where it was.
        out = self.run_client("", *LISTED, "syscommand", MAIN, "restore", "rect", MAIN,
                              "drag-corner", MAIN, "-2000", "-2000", "wait-moved", MAIN, "0", "5000",
                              "rect", MAIN,
                              "child-rect", MAIN, ID.IDC_MESSAGE_LIST,
                              "syscommand", MAIN, "minimize", "syscommand", MAIN, "restore", "settle", MAIN, "5000",
                              "child-rect", MAIN, ID.IDC_MESSAGE_LIST, *CLOSE_AND_EXIT)
        rects = [[int(n) for n in re.findall(r"-?\d+", line)[:4]] for line in values(out, "RECT")]
        restored, small = rects
        self.assertGreaterEqual(small[2] - small[0], 700)
        self.assertLess(small[2] - small[0], restored[2] - restored[0])
        (before, _), (after, _) = boxes(out)
        self.assertEqual(before, after)
        self.assertGreater(before[2] - before[0], 0)
        self.assertGreater(before[3] - before[1], 0)

    def test_bars_dragged_to_the_edges_leave_every_pane_open(self):
        # Each bar stops 5 pixels inside the panes it divides, at all four
        # edges; a drop on the near edge used to close the tree or the list.
        out = self.run_client("", *SHOWN,
                              "drag-child", MAIN, ID.BAR_ID_VERTICAL, "-3000", "0",
                              "wait-child", MAIN, ID.IDC_FOLDER_TREE, "width", "5", "5", "5000",
                              "drag-child", MAIN, ID.BAR_ID_HORIZONTAL, "0", "-3000",
                              "wait-child", MAIN, ID.IDC_MESSAGE_LIST, "height", "5", "5", "5000",
                              "drag-child", MAIN, ID.BAR_ID_VERTICAL, "3000", "0",
                              "wait-child", MAIN, ID.IDC_MESSAGE_LIST, "width", "5", "40", "5000",
                              "drag-child", MAIN, ID.BAR_ID_HORIZONTAL, "0", "3000",
                              "wait-child", MAIN, ID.IDC_PREVIEW, "height", "5", "40", "5000",
                              "child-rect", MAIN, ID.BAR_ID_VERTICAL, "child-rect", MAIN, ID.IDC_FOLDER_TREE,
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        (bar, _), (tree, _) = boxes(out)[-2:]
        self.assertEqual(tree[2], bar[0])
        self.assertGreater(tree[2] - tree[0], 600)

    def test_a_bar_far_right_keeps_the_window_within_the_screen(self):
        # The minimum width (the bar's x plus 100 dialog units) of a bar at
        # 98 % asked for more than the screen and grew with every resize.
        out = self.run_client("", *SHOWN,
                              "drag-child", MAIN, ID.BAR_ID_VERTICAL, "3000", "0",
                              "wait-child", MAIN, ID.IDC_MESSAGE_LIST, "width", "5", "40", "5000",
                              "syscommand", MAIN, "restore", "rect", MAIN,
                              "drag-corner", MAIN, "-300", "-100", "rect", MAIN,
                              "syscommand", MAIN, "maximize", "rect", MAIN,
                              "child-rect", MAIN, ID.IDC_MESSAGE_LIST, "child-rect", MAIN, ID.IDC_PREVIEW,
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        rects = values(out, "RECT")
        screen_width = int(re.search(r"screen=(\d+)x", rects[0]).group(1))
        widths = [int(n[2]) - int(n[0]) for n in (re.findall(r"-?\d+", r) for r in rects)]
        restored, dragged, maximised = widths
        self.assertLessEqual(restored, screen_width, rects)
        self.assertLessEqual(dragged, screen_width, rects)
        # A maximised frame's borders lie just outside the screen.
        self.assertLessEqual(maximised, screen_width + 16, rects)
        self.assertIn("zoomed=1", rects[2])
        for _, screen in boxes(out):
            self.assertLessEqual(screen[2], screen_width)
            self.assertGreater(screen[2] - screen[0], 0)

    def test_the_tray_status_window_closes_by_its_close_box(self):
        # The checker has its hidden window once its Cancel is off.
        out = self.run_client("--systemtray", "wait-enabled", "Status", ID.IDC_STATUS_CANCEL, "0", "15000",
                              "hidden-command", MAIN, ID.CMD_WAKE, "window", "Status", "10000",
                              "click-close", "Status", "no-window", "Status", "5000",
                              "window", MAIN, "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "GONE"), ["Status"])
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_a_refused_rename_is_told_once(self):
        os.makedirs(self.path("maildir", "inbox", "first"))
        os.makedirs(self.path("maildir", "inbox", "second"))
        out = self.run_client("", *SHOWN, "tree-edit", MAIN, ID.IDC_FOLDER_TREE, "inbox\\first", "second",
                              "keys", "enter", "msgbox", MAIN, "5000", "no-msgbox", MAIN, "1500",
                              "tree", MAIN, ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["CreateDirectory error 183."])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertIn("  first", values(out, "TREE"))
        self.assertTrue(os.path.isdir(self.path("maildir", "inbox", "first")))

    def test_view_source_without_and_with_a_message(self):
        self.write("maildir/sent items/mm1.eml", message(b"me@example.test", b"Sent one"))
        out = self.run_client("", *LISTED, "command", MAIN, ID.CMD_VIEW_SOURCE,
                              "wait-text", MAIN, ID.IDC_STATUS, "Please select an e-mail!", "5000",
                              "tree-select", MAIN, ID.IDC_FOLDER_TREE, "sent items", "wait-rows", MAIN,
                              ID.IDC_MESSAGE_LIST, "1", "10000",
                              "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.CMD_VIEW_SOURCE,
                              "window", "mm1.eml - Notepad", "15000",
                              "kill-process", "notepad.exe", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertIn(b"Please select an e-mail!", self.read("zmlog.txt"))
        self.assertEqual(values(out, "KILLED"), ["notepad.exe 1"])

    def test_account_manager_starts_without_the_client_waiting(self):
        shutil.copy(STAND_IN, self.path("zenth-profiles.exe"))
        stand_in = winpath(self.path("stand-in.txt"))
        out = self.run_client("", *LISTED, "command", MAIN, ID.CMD_ACCOUNT_MANAGER, "wait-file", stand_in, "started\n",
                              "15000",
                              "send-command", MAIN, ID.CMD_REFRESH_FOLDER, "wait-foreground", MAIN, "5000",
                              "keys", "ctrl+m", "wait-file", stand_in, "started\n", "15000",
                              "process", "zenth-profiles.exe",
                              "kill-process", "zenth-profiles.exe", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        # Both started, the second by Ctrl+M while the first (which stays
        # 20 seconds) still ran: the client waited for neither.
        self.assertEqual(self.read("stand-in.txt"), b"started\nstarted\n")
        self.assertEqual(values(out, "PROCESS"), ["zenth-profiles.exe 2"])
        self.assertEqual(values(out, "KILLED"), ["zenth-profiles.exe 2"])

    def test_folder_deletion_refused_while_a_large_folder_fills(self):
        os.makedirs(self.path("maildir", "inbox", "big"))
        data = message(b"bulk@example.test", b"Bulk")
        for n in range(1, 5001):
            self.write("maildir/inbox/big/mm%d.eml" % n, data)
        out = self.run_client("", *LISTED, "tree-select", MAIN, ID.IDC_FOLDER_TREE, "inbox\\big",
                              "post-key", MAIN, ID.IDC_FOLDER_TREE, "delete",
                              "wait-text", MAIN, ID.IDC_STATUS, UNAVAILABLE, "10000",
                              "no-msgbox", MAIN, "1000", "kill")
        self.assertEqual(len(os.listdir(self.path("maildir", "inbox", "big"))), 5001)

    def test_mark_and_delete_pressed_while_five_thousand_messages_fill(self):
        # The rows belong to the window's thread: commands on them while the
        # fill hands rows over neither crash the client nor lose a message.
        os.makedirs(self.path("maildir", "deleted items"), exist_ok=True)
        for n in range(1, 5001):
            self.write("maildir/inbox/mm%d.eml" % n, message(b"bulk@example.test", b"Bulk %d" % n))
        presses = []
        for _ in range(12):
            presses += ["list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "keys", "ctrl+i", "command", MAIN, ID.IDC_DELETE,
                        "sleep", "100"]
        out = self.run_client("", "window", MAIN, "15000", *presses, *FILLED, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        kept = [f for f in os.listdir(self.path("maildir", "inbox")) if f.endswith(".eml")]
        deleted = [f for f in os.listdir(self.path("maildir", "deleted items")) if f.endswith(".eml")]
        self.assertEqual(len(kept) + len(deleted), 5000)
        subjects = set()
        for folder, names in (("inbox", kept), ("deleted items", deleted)):
            for name in names:
                body = self.read(os.path.join("maildir", folder, name))
                subjects.add(re.search(rb"Subject: (Bulk \d+)\r\n", body).group(1))
        self.assertEqual(len(subjects), 5000)

    def test_a_folder_switch_during_a_fill_waits_for_it(self):
        for n in range(1, 5001):
            self.write("maildir/inbox/mm%d.eml" % n, message(b"bulk@example.test", b"Bulk %d" % n))
        self.write("maildir/sent items/mm1.eml", message(b"me@example.test", b"Sent one"))
        # The subjects alone: reading 5,000 rows whole takes Wine half a minute.
        out = self.run_client("", "window", MAIN, "15000", "tree-select", MAIN, ID.IDC_FOLDER_TREE, "sent items",
                              *FILLED, "list-column", MAIN, ID.IDC_MESSAGE_LIST, "2",
                              "tree-select", MAIN, ID.IDC_FOLDER_TREE, "sent items", "wait-rows", MAIN,
                              ID.IDC_MESSAGE_LIST, "1", "15000", "list", MAIN, ID.IDC_MESSAGE_LIST,
                              *CLOSE_AND_EXIT)
        # The tree keeps its folder while the inbox fills, so its list comes
        # whole; should the fill have ended first, "sent items" opens at once.
        # Either way nothing of the inbox reaches the list of "sent items".
        subjects = values(out, "CELL")
        rows = values(out, "ROW")
        self.assertEqual(len(rows), 1, rows)
        self.assertEqual(rows[0].split(" | ")[2], "Sent one")
        if len(subjects) == 1:
            self.assertEqual(subjects, ["Sent one"])
        else:
            self.assertEqual(len(subjects), 5000, subjects[-3:])
            self.assertEqual(set(subjects), {"Bulk %d" % n for n in range(1, 5001)})

    def test_enter_ends_a_rename_in_the_tree(self):
        os.makedirs(self.path("maildir", "inbox", "old name"))
        self.write("maildir/inbox/old name/mm1.eml", message(b"kept@example.test", b"Kept"))
        out = self.run_client("", *LISTED, "tree-edit", MAIN, ID.IDC_FOLDER_TREE, "inbox\\old name", "new name",
                              "settle", MAIN, "5000", "keys", "enter",
                              "wait-file", winpath(self.path("maildir", "inbox", "new name")), "", "5000",
                              "tree", MAIN, ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertIn("  new name", values(out, "TREE"))
        self.assertFalse(os.path.exists(self.path("maildir", "inbox", "old name")))
        self.assertEqual(self.read("maildir/inbox/new name/mm1.eml"), message(b"kept@example.test", b"Kept"))

    def test_list_menu_deletes_a_message(self):
        os.makedirs(self.path("maildir", "deleted items"), exist_ok=True)
        self.write("maildir/inbox/mm1.eml", message(b"Zoe <zoe@example.test>", b"Plans"))
        self.write("maildir/inbox/mm2.eml", message(b"adam@example.test", b"Invoice"))
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "1",
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "1", "right", "settle", MAIN, "5000",
                              "keys", "down", "keys", "down", "keys", "enter",
                              "wait-file", winpath(self.path("maildir", "deleted items", "mm1.eml")), "", "10000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        inbox = sorted(f for f in os.listdir(self.path("maildir", "inbox")) if f.endswith(".eml"))
        self.assertEqual(inbox, ["mm1.eml"])
        self.assertEqual(self.read("maildir/deleted items/mm1.eml"),
                         message(b"adam@example.test", b"Invoice"))


if __name__ == "__main__":
    unittest.main()
