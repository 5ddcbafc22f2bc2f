"""The message list's commands in the real client: Delete, Move File through
its dialog, Delete All with its question, Save, and a refused Delete."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]
LISTED = ["window", "Zenth Mail", "15000", "wait-log", "Displayed messages in", "15000"]


def message(sender, subject):
    return (b"From: " + sender + b"\r\nTo: me@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nHello.\r\n")


class ListCommands(ClientTest):
    def setUp(self):
        super().setUp()
        self.messages = {1: message(b"Zoe <zoe@example.test>", b"Plans"),
                         2: message(b"adam@example.test", b"Invoice"),
                         5: message(b"Mia <mia@example.test>", b"Re: lunch")}
        for n, data in self.messages.items():
            self.write("maildir/inbox/mm%d.eml" % n, data)

    def inbox(self):
        return sorted(f for f in os.listdir(self.path("maildir", "inbox")) if f.endswith(".eml"))

    def senders(self, out):
        return [row.split(" | ")[0] for row in values(out, "ROW")]

    def test_delete_moves_the_selected_message_to_deleted_items(self):
        os.makedirs(self.path("maildir", "deleted items"), exist_ok=True)
        self.write("maildir/deleted items/mm3.eml", b"From: old@example.test\r\n\r\nold\r\n")
        out = self.run_client("", *LISTED, "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "1",
                              "command", "Zenth Mail", ID.IDC_DELETE, "wait-rows", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              "2", "5000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertEqual(self.senders(out), ["Zoe", "Mia"])
        self.assertEqual(self.inbox(), ["mm1.eml", "mm5.eml"])
        self.assertEqual(self.read("maildir/deleted items/mm4.eml"), self.messages[2])
        mirror = self.read("maildir/inbox/mirror.dat")
        self.assertEqual([line.split(b"\t")[0] for line in mirror.split(b"\r\n") if line], [b"mm1.eml", b"mm5.eml"])

    def test_move_file_takes_the_message_to_the_folder_chosen_in_its_dialog(self):
        os.makedirs(self.path("maildir", "inbox", "lists"))
        os.makedirs(self.path("maildir", "archive"))
        out = self.run_client("", *LISTED, "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "2",
                              "command", "Zenth Mail", ID.CMD_MOVE_FILE, "window", "Move File", "10000",
                              "listbox", "Move File", ID.IDC_FOLDER_CHOICE,
                              "listbox-select", "Move File", ID.IDC_FOLDER_CHOICE, "inbox\\lists",
                              "command", "Move File", ID.IDC_DIALOG_OK, "wait-rows", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              "2", "10000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        entries = values(out, "ENTRY")
        self.assertEqual(entries[0:3], ["inbox", "inbox\\lists", "outbox"])
        self.assertIn("archive", entries)
        self.assertIn("deleted items", entries)
        self.assertEqual(self.read("maildir/inbox/lists/mm1.eml"), self.messages[5])
        self.assertEqual(self.inbox(), ["mm1.eml", "mm2.eml"])
        self.assertEqual(self.senders(out), ["Zoe", "adam@example.test"])

    def test_delete_all_asks_first_and_empties_the_folder_on_yes(self):
        out = self.run_client("", *LISTED, "command", "Zenth Mail", ID.CMD_DELETE_ALL, "msgbox", "Zenth Mail", "5000",
                              "no",
                              "settle", "Zenth Mail", "5000", "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              "command", "Zenth Mail", ID.CMD_DELETE_ALL, "msgbox", "Zenth Mail", "5000", "yes",
                              "wait-rows", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0", "5000", "list", "Zenth Mail",
                              ID.IDC_MESSAGE_LIST, *CLOSE_AND_EXIT)
        question = "This will delete all of the messages in the current folder. Are you sure?"
        self.assertEqual(values(out, "MSGBOX"), [question, question])
        self.assertEqual(self.senders(out), ["Zoe", "adam@example.test", "Mia"])  # only the first list
        self.assertEqual(self.inbox(), [])
        self.assertFalse(os.path.exists(self.path("maildir", "inbox", "mirror.dat")))

    def test_delete_waits_while_the_server_headers_are_on_show(self):
        out = self.run_client("", *LISTED, "tree-select", "Zenth Mail", ID.IDC_FOLDER_TREE, "E-mail Headers", "settle",
                              "Zenth Mail", "5000",
                              "command", "Zenth Mail", ID.IDC_DELETE,
                              "wait-text", "Zenth Mail", ID.IDC_STATUS, "This option", "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT"), ["This option is currently unavailable. Please try later."])
        self.assertEqual(self.inbox(), ["mm1.eml", "mm2.eml", "mm5.eml"])

    def test_save_writes_the_message_where_the_dialog_says(self):
        # The helper's dialog starts in the program folder's "user" folder and
        # adds the default extension to a name without one.
        out = self.run_client("", *LISTED, "list-select", "Zenth Mail", ID.IDC_MESSAGE_LIST, "0",
                              "command", "Zenth Mail", ID.IDC_SAVE, "file-dialog", "Save Email", "15000",
                              "file-name", "Save Email", "kept", "no-window", "Save Email", "10000",
                              "wait-file", winpath(self.path("user/kept.eml")), "Plans", "5000", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [])
        self.assertEqual(self.read("user/kept.eml"), self.read("maildir/inbox/mm1.eml"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
