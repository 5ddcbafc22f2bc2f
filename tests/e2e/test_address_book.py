"""The address book in the real client under Wine: ab.dat listed, Insert
and Delete, OK writing the book back, "Send To", the book opened from a
send window filling its "To:", and "Add To Address Book"."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402

MAIN = "Zenth Mail"
BOOK = "Address Book"
SEND = "Send Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "10000"]
LISTED = ["window", MAIN, "15000", "wait-log", "Displayed messages in", "15000"]
BOOK_BYTES = b"Ann\r\nann@example.test\r\nBob\r\n\"Bob B\" <bob@example.test>\r\n"
# The book of BOOK_BYTES: its two rows.
OPEN_BOOK = ["command", MAIN, ID.CMD_ADDRESS_BOOK, "window", BOOK, "10000", "wait-rows", BOOK, ID.IDC_BOOK_LIST, "2",
             "5000"]


class AddressBookTest(ClientTest):
    def test_rows_insert_delete_and_ok_writes_the_book_back(self):
        self.write("ab.dat", BOOK_BYTES)
        out = self.run_client("", *LISTED, *OPEN_BOOK, "list", BOOK, ID.IDC_BOOK_LIST,
                              "post-key", BOOK, ID.IDC_BOOK_LIST, "insert", "wait-rows", BOOK, ID.IDC_BOOK_LIST, "3",
                              "5000", "list", BOOK, ID.IDC_BOOK_LIST,
                              "post-key", BOOK, ID.IDC_BOOK_LIST, "delete", "msgbox", "Zenth Mail", "5000",
                              "list-select", BOOK, ID.IDC_BOOK_LIST, "0", "post-key", BOOK, ID.IDC_BOOK_LIST, "delete",
                              "wait-rows", BOOK, ID.IDC_BOOK_LIST, "2", "5000",
                              "list", BOOK, ID.IDC_BOOK_LIST, "command", BOOK, ID.IDC_BOOK_OK, "no-window", BOOK,
                              "5000",
                              *CLOSE_AND_EXIT)
        rows = values(out, "ROW")
        first = ["Ann | ann@example.test", "Bob | \"Bob B\" <bob@example.test>"]
        self.assertEqual([r.split(" | ")[0] + " | " + r.split(" | ")[1] for r in rows[:2]], first)
        self.assertEqual([r.split(" | ")[:2] for r in rows[2:5]],
                         [["Name", "Email"], ["Ann", "ann@example.test"], ["Bob", "\"Bob B\" <bob@example.test>"]])
        self.assertIn("Please select an item to delete.", "\n".join(out))
        self.assertEqual(len(rows), 7)
        self.assertEqual(self.read("ab.dat"), BOOK_BYTES)

    def test_an_address_edited_in_place_is_written_back(self):
        self.write("ab.dat", BOOK_BYTES)
        # A click into the address of the selected row begins the edit over
        # that cell; Enter ends it, OK writes the book.
        out = self.run_client("", *LISTED, *OPEN_BOOK, "click-cell", BOOK, ID.IDC_BOOK_LIST, "1", "1",
                              "double-click-gap", "click-cell", BOOK, ID.IDC_BOOK_LIST, "1", "1", "wait-control", BOOK,
                              ID.IDC_BOOK_EDIT, "5000",
                              "set-text", BOOK, ID.IDC_BOOK_EDIT, "bob@new.example.test", "post-key", BOOK,
                              ID.IDC_BOOK_EDIT, "enter",
                              "no-control", BOOK, ID.IDC_BOOK_EDIT, "5000", "list", BOOK, ID.IDC_BOOK_LIST, "command",
                              BOOK, ID.IDC_BOOK_OK, "no-window", BOOK, "5000",
                              *CLOSE_AND_EXIT)
        rows = values(out, "ROW")
        self.assertEqual([r.split(" | ")[:2] for r in rows[-2:]],
                         [["Ann", "ann@example.test"], ["Bob", "bob@new.example.test"]])
        self.assertEqual(self.read("ab.dat"), b"Ann\r\nann@example.test\r\nBob\r\nbob@new.example.test\r\n")

    def test_send_to_opens_a_send_window_with_the_address(self):
        self.write("ab.dat", BOOK_BYTES)
        out = self.run_client("", *LISTED, *OPEN_BOOK, "list-select", BOOK, ID.IDC_BOOK_LIST, "1", "command", BOOK,
                              ID.IDC_BOOK_SEND_TO,
                              "window", SEND, "10000", "wait-text", SEND, ID.IDC_SEND_TO, "@", "5000", "no-window",
                              BOOK, "3000",
                              "close", SEND, "msgbox", "Zenth Mail", "5000", "yes", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["\"Bob B\" <bob@example.test>"])

    def test_from_a_send_window_ok_fills_its_to(self):
        self.write("ab.dat", BOOK_BYTES)
        out = self.run_client("", *LISTED, "command", MAIN, ID.IDC_NEW_EMAIL, "window", SEND, "10000",
                              "command", SEND, ID.SEND_ADDRESS_BOOK, "window", BOOK, "10000", "wait-rows", BOOK,
                              ID.IDC_BOOK_LIST, "2", "5000",
                              "enabled", BOOK, ID.IDC_BOOK_SEND_TO, "enabled", BOOK, ID.IDC_BOOK_OK,
                              "list-select", BOOK, ID.IDC_BOOK_LIST, "0", "command", BOOK, ID.IDC_BOOK_OK, "no-window",
                              BOOK, "5000",
                              "text", SEND, ID.IDC_SEND_TO,
                              "close", SEND, "msgbox", "Zenth Mail", "5000", "yes", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["ann@example.test"])
        # "Send To" is for the book opened from the main window only.
        self.assertEqual(values(out, "ENABLED"), ["0", "1"])

    def test_add_to_address_book_stores_senders_once(self):
        self.write("ab.dat", b"Ann\r\nann@example.test\r\nCarl")  # odd, without its last line end
        self.write("maildir/inbox/mm1.eml", b"From: \"Dora Doe\" <dora@example.test>\r\nSubject: one\r\n\r\nx\r\n")
        self.write("maildir/inbox/mm2.eml", b"Subject: no sender\r\n\r\nx\r\n")
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "list-select", MAIN,
                              ID.IDC_MESSAGE_LIST, "1",
                              "command", MAIN, ID.CMD_ADD_TO_ADDRESS_BOOK,
                              "wait-text", MAIN, ID.IDC_STATUS, "Some entries were not added", "5000",
                              *CLOSE_AND_EXIT)
        added = b"Ann\r\nann@example.test\r\nCarl\r\n\r\nDora Doe\r\n\"Dora Doe\" <dora@example.test>\r\n"
        self.assertEqual(self.read("ab.dat"), added)
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN,
                              ID.CMD_ADD_TO_ADDRESS_BOOK,
                              "msgbox", "Zenth Mail", "5000", *CLOSE_AND_EXIT)
        self.assertIn("done", values(out, "MSGBOX"))
        self.assertEqual(self.read("ab.dat"), added)


if __name__ == "__main__":
    unittest.main()
