"""The account table as the client shows it."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402

QUESTION = "Would you like to setup an e-mail account now?"
CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]


def account(name, password="secret", options=0):
    return [name, "127.0.0.1:25", '"%s" <%s@example.test>' % (name, name), "127.0.0.1:110", name, password,
            "maildir\\inbox", options]


class NoTable(ClientTest):
    with_account_table = False

    def test_no_keeps_the_client_running_with_an_empty_table(self):
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", "no", "window", "Zenth Mail", "15000",
                              "combo", "Zenth Mail", ID.IDC_ACCOUNTS, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), [QUESTION])
        self.assertEqual(values(out, "ITEM"), [])
        self.assertEqual(self.read("accountdata.cfg"), b"")
        self.assertEqual(values(out, "EXIT"), ["0"])

    def test_yes_ends_the_client_and_starts_the_account_manager(self):
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", "yes", "wait-exit", "5000",
                              "any-process", "window", "Zenth Mail - Account Manager", "15000",
                              "command", "Zenth Mail - Account Manager", ID.IDC_LIST_CANCEL,
                              "no-window", "Zenth Mail - Account Manager", "10000",
                              "no-process", "zenth-profiles.exe", "10000")
        self.assertEqual(values(out, "MSGBOX"), [QUESTION])
        self.assertEqual(values(out, "EXIT"), ["0"])
        # The manager ran in the program folder: it made its key there.
        self.assertEqual(len(self.read("pwdkey.dat")), 32)


class Table(ClientTest):
    def test_account_names_fill_the_box_and_the_first_is_chosen(self):
        self.write_accounts(account("home", "hunter2", 9), account("work", "p@ss w0rd"), account("lists"))
        out = self.run_client("", "window", "Zenth Mail", "15000", "no-msgbox", "Zenth Mail", "500",
                              "combo", "Zenth Mail", ID.IDC_ACCOUNTS, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "ITEM"), ["home", "work", "lists"])
        self.assertEqual(values(out, "SELECTION"), ["0"])

    def test_exclamation_mark_on_the_first_account_chooses_none(self):
        self.write_accounts(account("!home"), account("work"))
        out = self.run_client("", "window", "Zenth Mail", "15000", "combo", "Zenth Mail", ID.IDC_ACCOUNTS,
                              *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "ITEM"), ["!home", "work"])
        self.assertEqual(values(out, "SELECTION"), ["-1"])

    def test_corrupt_password_key_is_told_and_the_names_still_load(self):
        self.write_accounts(account("home"))
        self.write("pwdkey.dat", b"short key")
        out = self.run_client("", "msgbox", "Zenth Mail", "15000", "window", "Zenth Mail", "15000",
                              "combo", "Zenth Mail", ID.IDC_ACCOUNTS, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "MSGBOX"), ["Key file is corrupted. Please reinstall."])
        self.assertEqual(values(out, "ITEM"), ["home"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
