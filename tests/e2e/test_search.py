"""Search in the real client under Wine: the dialog's lists, a search by
subject into a result folder listed last in the tree and opened, and a
second search into the next folder; the text of an encrypted message, a
word across a read boundary of the raw file, a result folder deleted from
the tree, and the limit of 999 result folders."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, wait_for, winpath  # noqa: E402

ENCRYPT_SUBJECT = os.environ.get("ZM_ENCRYPT_SUBJECT", "")

MAIN = "Zenth Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "10000"]
FILLED = ["wait-log", "Displayed messages in", "15000"]
LISTED = ["window", MAIN, "15000", *FILLED]
# After the box that tells the count: a result folder opens (its list is
# filled), or nothing does.
OPENS = FILLED
NOTHING_OPENS = ["settle", MAIN, "10000"]


def message(subject, body=b"Body.\r\n", fields=b""):
    return (b"From: ann@example.test\r\nTo: bob@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n" + fields + b"\r\n" + body)


def search(field, text, then):
    return ["command", MAIN, ID.CMD_SEARCH, "window", "Search", "10000", "combo-select", "Search", ID.IDC_SEARCH_FIELD,
            str(field),
            "set-text", "Search", ID.IDC_SEARCH_TEXT, text, "command", "Search", ID.IDC_SEARCH_OK, "msgbox",
            "Zenth Mail", "15000", *then]


class Search(ClientTest):
    def test_subject_search_copies_the_matches_into_a_result_folder(self):
        self.write("maildir/inbox/mm1.eml", message(b"Hello there"))
        self.write("maildir/inbox/mm2.eml", message(b"Nothing"))
        self.write("maildir/inbox/mm3.eml", message(b"say HELLO", b"x" * 1020 + b"needle\r\n"))
        out = self.run_client("", *LISTED, "command", MAIN, ID.CMD_SEARCH, "window", "Search", "10000",
                              "combo", "Search", ID.IDC_SEARCH_FIELD, "combo", "Search", ID.IDC_SEARCH_CONSTRAINT,
                              "combo-select", "Search", ID.IDC_SEARCH_FIELD, "3", "set-text", "Search",
                              ID.IDC_SEARCH_TEXT, "hello",
                              "command", "Search", ID.IDC_SEARCH_OK, "msgbox", "Zenth Mail", "15000", *OPENS,
                              "tree", MAIN, ID.IDC_FOLDER_TREE, "list", MAIN, ID.IDC_MESSAGE_LIST,
                              "command", MAIN, ID.CMD_SEARCH, "window", "Search", "10000",
                              "combo-select", "Search", ID.IDC_SEARCH_FIELD, "5", "set-text", "Search",
                              ID.IDC_SEARCH_TEXT, "NEEDLE",
                              "command", "Search", ID.IDC_SEARCH_OK, "msgbox", "Zenth Mail", "15000", *OPENS,
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["2 files found", "1 files found"])
        self.assertEqual(self.read("maildir/search1/mm1.eml"), message(b"Hello there"))
        self.assertEqual(self.read("maildir/search1/mm2.eml"), message(b"say HELLO", b"x" * 1020 + b"needle\r\n"))
        self.assertEqual(sorted(n for n in os.listdir(self.path("maildir", "search2")) if n.endswith(".eml")),
                         ["mm1.eml"])
        self.assertEqual(values(out, "ITEM"), ["To", "From", "Sent", "Subject", "Message", "Email", "contains",
                                               "does not contain", "matches", "does not match"])
        self.assertEqual(values(out, "SELECTION")[:2], ["0", "0"])
        tree = values(out, "TREE")
        self.assertTrue(tree and tree[-1].strip().endswith("search1"), tree)
        rows = values(out, "ROW")
        self.assertEqual(len(rows), 2)

    def test_encrypted_text_a_word_across_a_read_and_deleting_a_result_folder(self):
        self.write("bfkey.dat", b"0123456789abcdef0123456789abcdef")
        cipher = subprocess.run(["wine", ENCRYPT_SUBJECT, winpath(self.folder), "The plans for Zqxwv are ready."],
                                capture_output=True, text=True, timeout=60, check=True).stdout.strip()
        secret = message(b"Secret", cipher.encode() + b"\r\n", b"Content-Transfer-Encoding: X-ZMcrypt\r\n")
        self.assertNotIn(b"Zqxwv", secret)
        self.write("maildir/inbox/mm1.eml", secret)
        self.write("maildir/inbox/mm2.eml", message(b"Open", b"No plans here.\r\n"))
        # "needle" from byte 1020 to 1026 of the file: across the raw
        # search's first read of 1023 bytes.
        head = message(b"Boundary", b"")
        across = head + b"x" * (1020 - len(head)) + b"needle\r\n"
        self.assertEqual(across.index(b"needle"), 1020)
        self.write("maildir/inbox/mm3.eml", across)
        # A search with matches opens its result folder: back to the inbox
        # before the next.
        inbox = ["tree-select", MAIN, ID.IDC_FOLDER_TREE, "inbox", *FILLED]
        out = self.run_client("", *LISTED, *search(4, "zqxwv", OPENS), *inbox, *search(5, "NEEDLE", OPENS), *inbox,
                              *search(5, "zqxwv", NOTHING_OPENS),
                              "tree-select", MAIN, ID.IDC_FOLDER_TREE, "search1", *FILLED,
                              "post-key", MAIN, ID.IDC_FOLDER_TREE, "delete", "msgbox", "Zenth Mail", "5000", "yes",
                              "settle", MAIN, "5000", "tree", MAIN, ID.IDC_FOLDER_TREE, *CLOSE_AND_EXIT)
        # The deciphered text holds the word, the raw file does not.
        self.assertEqual(values(out, "MSGBOX")[:3], ["1 files found", "1 files found", "0 files found"])
        self.assertEqual(self.read("maildir/search2/mm1.eml"), across)
        self.assertFalse(os.path.exists(self.path("maildir", "search1")))
        tree = [line.strip() for line in values(out, "TREE")]
        self.assertNotIn("search1", tree)
        self.assertIn("search2", tree)

    def test_the_limit_after_999_result_folders(self):
        self.write("maildir/inbox/mm1.eml", message(b"Hello"))
        # Result folders from an earlier run are cleared at start, so the
        # 999 are made while the client runs.
        driver = self.start_client("", *LISTED, "wait-file", winpath(self.path("maildir", "search999")), "", "30000",
                                   *search(3, "hello", NOTHING_OPENS), *CLOSE_AND_EXIT)
        wait_for(lambda: os.path.exists(self.path("zmlog.txt")) and b"Displayed messages" in self.read("zmlog.txt"),
                 15, "the inbox listed")
        for n in range(1, 1000):
            os.mkdir(self.path("maildir", "search%d" % n))
        out = self.finish_client(driver)
        self.assertEqual(values(out, "MSGBOX"), ["Search limit exceeded."])
        self.assertFalse(os.path.exists(self.path("maildir", "search1000")))
        self.assertEqual(os.listdir(self.path("maildir", "search999")), [])


if __name__ == "__main__":
    unittest.main()
