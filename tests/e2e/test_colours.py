"""Colour schemes and fonts end to end: the "Colors" menu's commands, what
they leave in colors\\current.dat, the colours the message list and the
folder tree report, and the two font selectors."""

import os
import shutil
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values  # noqa: E402

LVM_GETBKCOLOR, LVM_GETTEXTCOLOR, LVM_GETTEXTBKCOLOR = 0x1000, 0x1023, 0x1025
TVM_GETBKCOLOR, TVM_GETTEXTCOLOR = 0x111F, 0x1120
COLOUR_STEPS = ["send-message", "Zenth Mail", ID.IDC_MESSAGE_LIST, str(LVM_GETBKCOLOR),
                "send-message", "Zenth Mail", ID.IDC_MESSAGE_LIST, str(LVM_GETTEXTCOLOR),
                "send-message", "Zenth Mail", ID.IDC_MESSAGE_LIST, str(LVM_GETTEXTBKCOLOR),
                "send-message", "Zenth Mail", ID.IDC_FOLDER_TREE, str(TVM_GETBKCOLOR),
                "send-message", "Zenth Mail", ID.IDC_FOLDER_TREE, str(TVM_GETTEXTCOLOR)]
# Wine's own system colours: the window white, its text black.
SYSTEM = [0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000]


def scheme_command(n):
    """The "Colors" menu's command of the n-th scheme listed, from 0."""
    return str(int(ID.first_scheme_command) + n)


def scheme(name, base, end=b"\r\n"):
    """A scheme whose slot k is (base + k, 2 * k, 255 - k)."""
    lines = [name.encode()] + [b"%02X%02x%02X" % (base + k, 2 * k, 255 - k) for k in range(14)]
    return end.join(lines) + end


def colorref(base, k):
    return (base + k) | (2 * k) << 8 | (255 - k) << 16


def scheme_colours(base):
    """What COLOUR_STEPS print under the scheme: slots 7, 8, 9, 7, 8."""
    return [str(colorref(base, k)) for k in (7, 8, 9, 7, 8)]


def arial():
    return struct.pack("<5i8B32s", -12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, b"Arial")


class ColourSchemes(ClientTest):
    def test_scheme_command_writes_current_dat_and_a_restart_applies_it(self):
        first, second = scheme("Ocean", 16), scheme("Forest", 64, b"\n")
        self.write("colors/sf1.dat", first)
        self.write("colors/sf2.dat", second)
        out = self.run_client("", "window", "Zenth Mail", "15000", *COLOUR_STEPS,
                              "send-command", "Zenth Mail", scheme_command(1), *COLOUR_STEPS,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        shown = values(out, "MESSAGE")
        self.assertEqual(shown[:5], [str(c) for c in SYSTEM])
        self.assertEqual(shown[5:], scheme_colours(64))
        self.assertEqual(self.read("colors/current.dat"), second)

        out = self.run_client("", "window", "Zenth Mail", "15000", *COLOUR_STEPS,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        self.assertEqual(values(out, "MESSAGE"), scheme_colours(64))

    def test_system_default_deletes_current_dat_and_the_system_colours_return(self):
        self.write("colors/sf1.dat", scheme("Ocean", 16))
        self.write("colors/current.dat", scheme("Ocean", 16))
        out = self.run_client("", "window", "Zenth Mail", "15000", *COLOUR_STEPS,
                              "send-command", "Zenth Mail", ID.CMD_SYSTEM_COLOURS, *COLOUR_STEPS,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        shown = values(out, "MESSAGE")
        self.assertEqual(shown[:5], scheme_colours(16))
        self.assertEqual(shown[5:], [str(c) for c in SYSTEM])
        self.assertFalse(os.path.exists(self.path("colors", "current.dat")))

    def test_a_scheme_past_the_listed_ones_does_nothing(self):
        self.write("colors/sf1.dat", scheme("Ocean", 16))
        self.write("colors/sf3.dat", scheme("Gap", 32))
        out = self.run_client("", "window", "Zenth Mail", "15000",
                              "send-command", "Zenth Mail", scheme_command(2), *COLOUR_STEPS,
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        self.assertEqual(values(out, "MESSAGE"), [str(c) for c in SYSTEM])
        self.assertFalse(os.path.exists(self.path("colors", "current.dat")))


class FontSelectors(ClientTest):
    def settings(self):
        return b"0\r\n\r\n\r\n\r\n\r\n\r\n\r\n" + arial() + arial()

    def test_ok_changes_the_message_font_record_and_cancel_leaves_it(self):
        self.write("zenth.cfg", self.settings())
        self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_MESSAGE_FONT,
                        "window", "Font", "10000", "command", "Font", "2", "no-window", "Font", "5000",
                        "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        self.assertEqual(self.read("zenth.cfg"), self.settings())

        self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_MESSAGE_FONT,
                        "window", "Font", "10000", "command", "Font", "1", "no-window", "Font", "5000",
                        "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        saved = self.read("zenth.cfg")
        self.assertEqual(saved[:15], b"0\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        message_font = struct.unpack("<5i8B32s", saved[15:75])
        # The dialog gives back the font it shows, in regular weight: Arial
        # where the system has it, else the first face it lists.
        self.assertNotEqual(message_font[13].rstrip(b"\0"), b"")
        self.assertEqual(message_font[4], 400)
        self.assertNotEqual(saved[15:75], arial())
        self.assertEqual(saved[75:], arial())

    @unittest.skipIf(os.path.exists("/run/cups/cups.sock") and shutil.which("lpstat"),
                     "a print system runs here: the printer may be found")
    def test_printer_font_without_a_printer(self):
        self.write("zenth.cfg", self.settings())
        out = self.run_client("", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_PRINTER_FONT,
                              "msgbox", "Zenth Mail", "10000",
                              "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "5000")
        self.assertEqual(values(out, "MSGBOX"), ["Could not find printer!"])
        self.assertEqual(self.read("zenth.cfg"), self.settings())


if __name__ == "__main__":
    unittest.main(verbosity=2)
