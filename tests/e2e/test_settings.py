"""The options behind the main menu's check marks, seen in zenth.cfg."""

import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402


def arial():
    return struct.pack("<5i8B32s", -12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, b"Arial")


class MenuOptions(ClientTest):
    def test_toggling_a_menu_option_saves_the_whole_file(self):
        # With a server time-out of 45 s behind the bits, which the client
        # has no control for and writes back as it read it.
        self.write("zenth.cfg", b"3 45\r\nrun.bat\r\n\r\n127.0.0.1\r\n1080\r\n\r\n\r\n")
        out = self.run_client("", "window", "Zenth Mail", "15000",
                              "send-command", "Zenth Mail", ID.CMD_REPLY_WITH_MESSAGE,
                              "send-command", "Zenth Mail", ID.CMD_ORIGINAL_REPLY_STYLE,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        self.assertEqual(values(out, "EXIT"), ["0"])
        # 3 = Reply With Message (2) and Indent Quoted Text (1); 345 clears the
        # first, 1700 sets Original Message Reply Style (8192).
        self.assertEqual(self.read("zenth.cfg"),
                         b"8193 45\r\nrun.bat\r\n\r\n127.0.0.1\r\n1080\r\n\r\n\r\n" + arial() + arial())

    def test_font_records_are_kept_through_a_save(self):
        courier = struct.pack("<5i8B32s", -16, 0, 0, 0, 700, 1, 0, 0, 0, 0, 0, 0, 49, b"Courier New")
        self.write("zenth.cfg", b"0\r\n\r\n\r\n\r\n\r\n\r\n\r\n" + courier)
        self.run_client("", "window", "Zenth Mail", "15000", "send-command", "Zenth Mail", ID.CMD_INDENT_QUOTED,
                        "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        saved = self.read("zenth.cfg")
        self.assertEqual(saved[:15], b"1\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        message_font = struct.unpack("<5i8B32s", saved[15:75])
        self.assertEqual(message_font[0], -16)
        self.assertEqual(message_font[4], 700)
        self.assertEqual(message_font[5], 1)
        self.assertEqual(message_font[13].rstrip(b"\0"), b"Courier New")
        self.assertEqual(saved[75:], arial())


if __name__ == "__main__":
    unittest.main(verbosity=2)
