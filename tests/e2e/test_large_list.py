"""A folder of a thousand messages in the real client: every row listed from
the mirror, a column sort, and Mark on a row chosen after the sort."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]
COUNT = 1000


class LargeList(ClientTest):
    def setUp(self):
        super().setUp()
        mirror = []
        for n in range(1, COUNT + 1):
            self.write("maildir/inbox/mm%d.eml" % n,
                       b"From: Sender %d <s%d@example.test>\r\nTo: me@example.test\r\nSubject: Subject %d\r\n"
                       b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n" % (n, n, n))
            mirror.append(b"mm%d.eml\tSender %d\tme@example.test\tSubject %d\t2026-12-07 10:00:00 +0000\t0\t1\t0\t  \r\n"
                          % (n, n, n))
        self.write("maildir/inbox/mirror.dat", b"".join(mirror))

    def test_rows_sort_and_mark_after_the_sort(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", "wait-log", "Displayed messages in", "15000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              # The click is input: the client takes it once the
                              # driver's questions about a thousand rows are answered.
                              "column-click", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0", "wait-cell", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST, "1", "0", "Sender 10", "15000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "3",
                              "command", "Zenth Mail", ID.CMD_MARK,
                              "wait-file", winpath(self.path("maildir/inbox/mm1000.eml")), "X-ZMMark: TRUE", "5000",
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        rows = values(out, "ROW")
        self.assertEqual(len(rows), 2 * COUNT)
        listed, sorted_rows = rows[:COUNT], rows[COUNT:]
        self.assertEqual(listed[0], "Sender 1 | me@example.test | Subject 1 | 2026-12-07 10:00:00 +0000 |  | 0.12")
        self.assertEqual([r.split(" | ")[0] for r in listed], ["Sender %d" % n for n in range(1, COUNT + 1)])
        self.assertEqual([r.split(" | ")[0] for r in sorted_rows[:5]],
                         ["Sender 1", "Sender 10", "Sender 100", "Sender 1000", "Sender 101"])
        # The fourth row after the sort is message 1000, and Mark marks it.
        self.assertTrue(self.read("maildir/inbox/mm1000.eml").startswith(b"X-ZMMark: TRUE\r\nFrom: Sender 1000"))
        self.assertFalse(self.read("maildir/inbox/mm4.eml").startswith(b"X-ZMMark"))
        line = [l for l in self.read("maildir/inbox/mirror.dat").split(b"\r\n") if l.startswith(b"mm1000.eml\t")]
        self.assertEqual(line[0].split(b"\t")[5], b"1")


if __name__ == "__main__":
    unittest.main(verbosity=2)
