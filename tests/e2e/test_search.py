"""Search in the real client under Wine: the dialog's lists, a search by
subject into a result folder listed last in the tree and opened, and a
second search into the next folder."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, values  # noqa: E402

MAIN = "Zenth Mail"
CLOSE_AND_EXIT = ["command", MAIN, "302", "wait-exit", "10000"]
LISTED = ["window", MAIN, "15000", "sleep", "1500"]


def message(subject, body=b"Body.\r\n"):
    return (b"From: ann@example.test\r\nTo: bob@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n" + body)


class Search(ClientTest):
    def test_subject_search_copies_the_matches_into_a_result_folder(self):
        self.write("maildir/inbox/mm1.eml", message(b"Hello there"))
        self.write("maildir/inbox/mm2.eml", message(b"Nothing"))
        self.write("maildir/inbox/mm3.eml", message(b"say HELLO", b"x" * 1020 + b"needle\r\n"))
        out = self.run_client("", *LISTED, "command", MAIN, "1280", "window", "Search", "10000",
                              "combo", "Search", "1304", "combo", "Search", "1307",
                              "combo-select", "Search", "1304", "3", "set-text", "Search", "1309", "hello",
                              "command", "Search", "802", "msgbox", "Zenth Mail", "15000", "sleep", "2000",
                              "tree", MAIN, "347", "list", MAIN, "303",
                              "command", MAIN, "1280", "window", "Search", "10000",
                              "combo-select", "Search", "1304", "5", "set-text", "Search", "1309", "NEEDLE",
                              "command", "Search", "802", "msgbox", "Zenth Mail", "15000", "sleep", "2000",
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


if __name__ == "__main__":
    unittest.main()
