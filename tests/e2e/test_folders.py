"""The folder tree of the main window over a program folder with nested folders."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

TREE = ["TREE: %s" % line for line in [
    "inbox", "  lists", "    work", "outbox", "sent items", "drafts", "deleted items", "archive",
    "E-mail Headers"]]
CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]
# A list is filled at start-up, then that of the folder selected.
FILLED = ["wait-log", "Displayed messages in", "15000"]


class FolderTree(ClientTest):
    def setUp(self):
        super().setUp()
        for folder in ["maildir/inbox/lists/work", "maildir/archive", "maildir/search1", "maildir/search999",
                       "maildir/search1000"]:
            os.makedirs(self.path(folder))
        self.write("maildir/search1/mm1.eml", b"found\r\n")
        self.write("maildir/inbox/lists/mm1.eml", b"Subject: list\r\n\r\n")
        self.write("temp/attachment11.tmp", b"scratch")
        self.write("temp/mm1.eml", b"scratch message")

    def tree(self, *steps):
        out = self.run_client("", "window", "Zenth Mail", "15000", *steps, "tree", "Zenth Mail", ID.IDC_FOLDER_TREE,
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        return out

    def test_start_up_clears_scratch_files_and_search_results(self):
        self.tree()
        self.assertFalse(os.path.exists(self.path("maildir/search1")))
        self.assertFalse(os.path.exists(self.path("maildir/search999")))
        self.assertTrue(os.path.isdir(self.path("maildir/search1000")))
        self.assertEqual(os.listdir(self.path("temp")), [])
        self.assertEqual(self.read("maildir/inbox/lists/mm1.eml"), b"Subject: list\r\n\r\n")

    def test_tree_shows_standard_folders_first_and_the_headers_item_last(self):
        os.rmdir(self.path("maildir/search1000"))
        out = self.tree()
        tree = [l for l in out if l.startswith("TREE: ")]
        # The folders after the standard four come in the file system's order.
        self.assertEqual(tree[:6], TREE[:6])
        self.assertEqual(sorted(tree[6:-1]), sorted(TREE[6:-1]))
        self.assertEqual(tree[-1], TREE[-1])

    def test_insert_key_makes_a_new_item_once(self):
        out = self.run_client("", "window", "Zenth Mail", "15000",
                              "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "inbox\\lists",
                              "post-key", "Zenth Mail", ID.IDC_FOLDER_TREE, "insert",
                              "wait-file", winpath(self.path("maildir/inbox/lists/New Item")), "", "5000",
                              "post-key", "Zenth Mail", ID.IDC_FOLDER_TREE, "insert",
                              "msgbox", "Zenth Mail", "5000",
                              "tree", "Zenth Mail", ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        self.assertTrue(os.path.isdir(self.path("maildir/inbox/lists/New Item")))
        self.assertEqual(values(out, "MSGBOX"), ["Rename the new item folder first."])
        self.assertIn("TREE:     New Item", out)

    def test_top_level_folders_cannot_be_deleted(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *FILLED,
                              "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "archive",
                              # A folder is deleted only once its list is filled.
                              *FILLED, "post-key", "Zenth Mail", ID.IDC_FOLDER_TREE, "delete",
                              "msgbox", "Zenth Mail", "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Cannot delete main program directory!"])
        self.assertTrue(os.path.isdir(self.path("maildir/archive")))

    def test_deleting_a_folder_with_subfolders_keeps_them(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *FILLED,
                              "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "inbox\\lists",
                              # A folder is deleted only once its list is filled.
                              *FILLED, "post-key", "Zenth Mail", ID.IDC_FOLDER_TREE, "delete",
                              "msgbox", "Zenth Mail", "5000", "yes",
                              "msgbox", "Zenth Mail", "5000",
                              "tree", "Zenth Mail", ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [
            "This will delete all of the messages in the selected folder as well as removing the folder "
            "itself. Are you sure?",
            "Directory not empty!"])
        self.assertFalse(os.path.exists(self.path("maildir/inbox/lists/mm1.eml")))
        self.assertTrue(os.path.isdir(self.path("maildir/inbox/lists/work")))
        self.assertIn("TREE:     work", out)

    def test_deleting_a_nested_folder(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *FILLED,
                              "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "inbox\\lists\\work",
                              # A folder is deleted only once its list is filled.
                              *FILLED, "post-key", "Zenth Mail", ID.IDC_FOLDER_TREE, "delete",
                              "msgbox", "Zenth Mail", "5000", "yes",
                              "no-msgbox", "Zenth Mail", "500",
                              "tree", "Zenth Mail", ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        self.assertFalse(os.path.exists(self.path("maildir/inbox/lists/work")))
        self.assertNotIn("TREE:     work", out)


if __name__ == "__main__":
    unittest.main(verbosity=2)
