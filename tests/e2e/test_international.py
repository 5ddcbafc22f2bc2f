"""Header texts beyond ASCII in the main window's list: subjects and names of
several scripts, encoded as mail programs write them, listed decoded; and a
list mirror written before texts were decoded, shown right without the
rebuild box."""

import base64
import os
import quopri
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402

CLOSE_AND_EXIT = ["command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000"]
DATE = b"Mon, 7 Dec 2026 10:00:00 +0000"


def b_word(text, charset):
    return b"=?" + charset.encode() + b"?B?" + base64.b64encode(text.encode(charset)) + b"?="


def q_word(text, charset):
    return b"=?" + charset.encode() + b"?Q?" + quopri.encodestring(text.encode(charset), header=True) + b"?="


def message(sender, subject, to=b"me@example.test"):
    return (b"From: " + sender + b"\r\nTo: " + to + b"\r\nSubject: " + subject + b"\r\nDate: " + DATE +
            b"\r\n\r\nHello.\r\n")


RUSSIAN = "Привет из Москвы"
GREEK = "Καλημέρα κόσμε"
JAPANESE = "日本語の件名です"
IVAN = "Иван Петров"
ELENI = "Ελένη"
TARO = "山田太郎"
# 112 characters in UTF-8 words of ten bytes, folded over lines, most of
# them cutting a character in two; the list shows the first 99.
LONG = "Größe € " * 14


def split_words(text):
    data = text.encode("utf-8")
    words = [data[i:i + 10] for i in range(0, len(data), 10)]
    return b"\r\n ".join(b"=?UTF-8?B?" + base64.b64encode(w) + b"?=" for w in words)


class InternationalList(ClientTest):
    def setUp(self):
        super().setUp()
        self.write("maildir/inbox/mm1.eml",
                   message(b_word(IVAN, "utf-8") + b" <ivan@example.ru>", b_word(RUSSIAN, "koi8-r")))
        self.write("maildir/inbox/mm2.eml",
                   message(b'"' + q_word(ELENI, "iso-8859-7") + b'" <eleni@example.gr>', q_word(GREEK, "iso-8859-7"),
                           b_word(IVAN, "windows-1251") + b" <ivan@example.ru>"))
        self.write("maildir/inbox/mm3.eml",
                   message(b_word(TARO, "shift_jis") + b" <taro@example.jp>", b_word(JAPANESE, "shift_jis")))
        self.write("maildir/inbox/mm4.eml", message(b"Plain <plain@example.test>", split_words(LONG)))

    def rows(self, out):
        return [row.split(" | ") for row in values(out, "ROW")]

    def test_inbox_lists_cyrillic_greek_and_japanese_subjects_and_decoded_senders(self):
        # Forms real mail writes that the list once showed raw or cut: a word
        # folded inside its text, no blank before the bracket, a name in a
        # comment, a Q word ending in "=", quotes escaped in a name, a word of
        # an unknown charset before a decoded one.
        self.write("maildir/inbox/mm5.eml",
                   message(b"=?utf-8?Q?J=C3=B6rg?=<jorg@example.org>",
                           b"=?utf-8?Q?(=D0=BF=D1=80=D0=B8=D0=B2=D0=B5=\r\n D1=82)?="))
        self.write("maildir/inbox/mm6.eml",
                   message(b"jane@example.org (=?utf-8?q?J=C3=A4ne_Doe?=)", b"=?shift-jis?Q?=93=FA=96{=8C=EA=?="))
        self.write("maildir/inbox/mm7.eml",
                   message(b'"Doe, Jane \\"JD\\"" <jd@example.org>', b"=?x-unknown?Q?abc?= =?utf-8?Q?d?="))
        out = self.run_client("", "window", "Zenth Mail", "15000", "wait-log", "Displayed messages in", "15000",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST,
                              *CLOSE_AND_EXIT)
        rows = self.rows(out)
        self.assertEqual([r[0:3] for r in rows], [
            [IVAN, "me@example.test", RUSSIAN],
            [ELENI, IVAN + " <ivan@example.ru>", GREEK],
            [TARO, "me@example.test", JAPANESE],
            ["Plain", "me@example.test", LONG[:99]],
            ["Jörg", "me@example.test", "(привет)"],
            ["Jäne Doe", "me@example.test", "日本語"],
            ['Doe, Jane "JD"', "me@example.test", "=?x-unknown?Q?abc?= d"],
        ])
        # The mirror holds the decoded UTF-8, each line marked as such.
        lines = self.read("maildir/inbox/mirror.dat").split(b"\r\n")
        self.assertEqual(lines[0].split(b"\t")[1:4], [IVAN.encode(), b"me@example.test", RUSSIAN.encode()])
        self.assertEqual([line.split(b"\t")[8] for line in lines[0:4]], [b"utf-8"] * 4)

    def test_a_mirror_of_raw_lines_shows_decoded_without_the_rebuild_box(self):
        # Lines as the client wrote them before: the header's raw text.
        self.write("maildir/inbox/mirror.dat", b"".join(
            b"mm%d.eml\t%s\tme@example.test\t%s\tunknown\t0\t1\t0\t  \r\n" % (n, sender, subject)
            for n, sender, subject in [(1, b_word(IVAN, "utf-8"), b_word(RUSSIAN, "koi8-r")),
                                       (2, b"Eleni", q_word(GREEK, "iso-8859-7")),
                                       (3, b"Taro", b_word(JAPANESE, "shift_jis")),
                                       (4, b"Plain", b"=?UTF-8?B?R3LDtsOf?=")]))
        out = self.run_client("", "window", "Zenth Mail", "15000", "no-msgbox", "Zenth Mail", "2500",
                              "list", "Zenth Mail", ID.IDC_MESSAGE_LIST, *CLOSE_AND_EXIT)
        rows = self.rows(out)
        self.assertEqual([r[2] for r in rows], [RUSSIAN, GREEK, JAPANESE, LONG[:99]])
        self.assertEqual(rows[0][0], IVAN)
        # The old lines were replaced by decoded ones.
        mirror = self.read("maildir/inbox/mirror.dat")
        self.assertEqual(mirror.count(b"\tutf-8\t"), 4)
        self.assertIn(JAPANESE.encode(), mirror)


if __name__ == "__main__":
    unittest.main(verbosity=2)
