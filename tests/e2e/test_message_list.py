"""The message list of the main window over a folder of messages."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402

CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]


def message(sender, subject, date, extra=b"", body=b"Hello.\r\n"):
    return (extra + b"From: " + sender + b"\r\nTo: me@example.test\r\nSubject: " + subject +
            b"\r\nDate: " + date + b"\r\n\r\n" + body)


# The list filled at start-up.
LISTED = ["wait-log", "Displayed messages in", "15000"]


class MessageList(ClientTest):
    def setUp(self):
        super().setUp()
        self.write("maildir/inbox/mm1.eml", message(b'"Zoe" <zoe@example.test>', b"Plans", b"Mon, 7 Dec 2026 10:00:00 +0000",
                                                    b"X-ZMRead: FALSE\r\n"))
        self.write("maildir/inbox/mm2.eml", message(b"adam@example.test", b"Invoice", b"Sat, 5 Dec 2026 09:07:03 -0500",
                                                    b"X-ZMMark: TRUE\r\nX-ZMRead: FALSE\r\n", b"x" * 20480))
        self.write("maildir/inbox/mm5.eml", message(b"Mia <mia@example.test>", b"Re: lunch", b"Sun, 6 Dec 2026 13:32:38 +0100"))

    def rows(self, out):
        return values(out, "ROW")

    def test_folder_lists_with_its_columns_and_builds_its_mirror(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *LISTED, "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              *CLOSE_AND_EXIT)
        self.assertEqual(self.rows(out), [
            "Zoe | me@example.test | Plans | 2026-12-07 10:00:00 +0000 |  | 0.13",
            "adam@example.test | me@example.test | Invoice | 2026-12-05 09:07:03 -0500 |  | 20.1",
            "Mia | me@example.test | Re: lunch | 2026-12-06 13:32:38 +0100 |  | 0.12"])
        self.assertEqual(self.read("maildir/inbox/mirror.dat").count(b"\r\n"), 3)

    def test_column_click_sorts_and_sort_by_file_name_restores(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *LISTED,
                              "column-click", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0", "list", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST,
                              "column-click", "Zenth Mail", ID.IDC_MESSAGE_LIST, "5", "list", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST,
                              "command", "Zenth Mail", ID.CMD_SORT_BY_FILE_NAME, "wait-cell", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST, "0", "0", "Zoe", "5000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              *CLOSE_AND_EXIT)
        senders = [row.split(" | ")[0] for row in self.rows(out)]
        # The locale's collation; in the C locale capitals come first.
        self.assertEqual(senders[0:3], ["Mia", "Zoe", "adam@example.test"])
        self.assertEqual(senders[3:6], senders[0:3])  # the size column does not sort
        self.assertEqual(senders[6:9], ["Zoe", "adam@example.test", "Mia"])

    def test_ctrl_i_marks_the_selected_message(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *LISTED,
                              "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "2",
                              "send-command", "Zenth Mail", ID.CMD_MARK, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertTrue(self.read("maildir/inbox/mm5.eml").startswith(b"X-ZMMark: TRUE\r\nFrom: Mia"))
        lines = self.read("maildir/inbox/mirror.dat").split(b"\r\n")
        self.assertTrue(lines[2].startswith(b"mm5.eml\tMia\t"))
        self.assertEqual(lines[2].split(b"\t")[5], b"1")

    def test_marking_a_marked_message_unmarks_it(self):
        out = self.run_client("", "window", "Zenth Mail", "15000", *LISTED,
                              "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "1",
                              "send-command", "Zenth Mail", ID.CMD_MARK, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertTrue(self.read("maildir/inbox/mm2.eml").startswith(b"X-ZMRead: FALSE\r\nFrom: adam"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
