"""The programs at 96, 144 and 192 dots per inch (the prefix's LogPixels),
in a Wine prefix of their own: every control of the main window, the send,
address book, search and status windows, the companion programs' dialogs
and the account manager's settings window holds its text, the main
window's panes keep their proportions, and the settings file the client writes at 192 is the
one it writes at 96. A window told of a change of DPI (WM_DPICHANGED, as a
move to another monitor sends it) takes the suggested rectangle, keeps its
proportions and shows its texts in fonts of the new size."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import DIST, DRIVER, ID, finish, values, winpath  # noqa: E402

MAIN = "Zenth Mail"
# The companion programs' first windows.
DIALOGS = {"zenth-setup.exe": "Setup", "zenth-install.exe": "Install",
           "zenth-profiles.exe": "Zenth Mail - Account Manager"}
# What a companion program opens from its first window: a new account's
# settings window, IMAP chosen for its longer labels, its server folders
# dialog, and with OAuth 2.0 chosen (a provider's servers and a user name,
# under which a sign-in and the server folders are kept) its sign-in dialog.
ACCOUNT_SETTINGS = "Account Manager - Settings"
SIGN_IN = "Account Manager - Sign in"
SERVER_FOLDERS = "Account Manager - Server Folders"
# The tallest window a 1080-line screen shows whole at 200 %, above the
# taskbar (48 lines at 100 %).
TALLEST_AT_192 = 1080 - 2 * 48
FURTHER = {"zenth-profiles.exe": ["send-command", DIALOGS["zenth-profiles.exe"], ID.IDC_ADD, "listbox-index",
                                  DIALOGS["zenth-profiles.exe"], ID.IDC_ACCOUNT_LIST, "0", "command",
                                  DIALOGS["zenth-profiles.exe"], ID.IDC_SETTINGS, "window", ACCOUNT_SETTINGS,
                                  "10000", "combo-select", ACCOUNT_SETTINGS, ID.IDC_INCOMING, "1", "text-fits",
                                  ACCOUNT_SETTINGS, "rect", ACCOUNT_SETTINGS,
                                  "set-text", ACCOUNT_SETTINGS, ID.IDC_POP3_SERVER, "imap.example.test",
                                  "set-text", ACCOUNT_SETTINGS, ID.IDC_USER_NAME, "ann",
                                  "command", ACCOUNT_SETTINGS, ID.IDC_SERVER_FOLDERS, "window", SERVER_FOLDERS,
                                  "10000", "text-fits", SERVER_FOLDERS, "command", SERVER_FOLDERS,
                                  ID.IDC_FOLDERS_CANCEL, "no-window", SERVER_FOLDERS, "10000",
                                  "combo-select", ACCOUNT_SETTINGS, ID.IDC_SIGN_IN_METHOD, "1",
                                  "combo-select", ACCOUNT_SETTINGS, ID.IDC_PROVIDER, "1",
                                  "command", ACCOUNT_SETTINGS, ID.IDC_SIGN_IN, "window", SIGN_IN, "10000",
                                  "text-fits", SIGN_IN]}
# The client's own windows besides the main window.
WINDOWS = {ID.IDC_NEW_EMAIL: "Send Mail", ID.CMD_ADDRESS_BOOK: "Address Book", ID.CMD_SEARCH: "Search"}


class Scaling(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="zm-scaling-")
        prefix = os.path.join(self.home, "prefix")
        self.env = dict(os.environ, HOME=self.home, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        subprocess.run(["wine", "wineboot", "-i"], env=self.env, capture_output=True, timeout=300)
        self.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")
        fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for name in os.listdir("/usr/share/wine/fonts") if os.path.isdir("/usr/share/wine/fonts") else []:
            shutil.copy(os.path.join("/usr/share/wine/fonts", name), fonts)

    def tearDown(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)

    def reg_add(self, key, name, kind, data):
        subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"], env=self.env,
                       capture_output=True, timeout=60, check=True)

    def at_dpi(self, dpi):
        """Sets the DPI; the next Wine process starts with it."""
        self.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", str(dpi))
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=120)

    def drive(self, *steps):
        return finish(subprocess.Popen(["wine", DRIVER, *steps], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       text=True, env=self.env))

    def program_folder(self, dpi):
        folder = os.path.join(self.home, "zm%d" % dpi)
        os.makedirs(folder)
        for name in os.listdir(DIST):
            if name.endswith(".exe"):
                shutil.copy(os.path.join(DIST, name), folder)
        open(os.path.join(folder, "accountdata.cfg"), "wb").close()
        return folder

    def test_texts_fit_and_the_layout_scales_at_96_144_and_192_dpi(self):
        shares, settings = {}, {}
        opened = []
        for command, title in WINDOWS.items():
            opened += ["command", MAIN, command, "window", title, "15000", "text-fits", title]
        for dpi in (96, 144, 192):
            self.at_dpi(dpi)
            folder = self.program_folder(dpi)
            # "Reply With Message" toggled: the client writes its settings.
            out = self.drive("start", winpath(os.path.join(folder, "zenthmail.exe")), "",
                             "window", MAIN, "15000", "answered", MAIN, "5000", "text-fits", MAIN,
                             "child-rect", MAIN, ID.IDC_FOLDER_TREE, "child-rect", MAIN, ID.IDC_MESSAGE_LIST,
                             "child-rect", MAIN, ID.BAR_ID_VERTICAL,
                             "command", MAIN, ID.CMD_REPLY_WITH_MESSAGE, *opened, "kill")
            self.assertEqual(values(out, "CUT"), [], dpi)
            fits = values(out, "FITS")
            self.assertEqual(len(fits), 1 + len(WINDOWS))
            for line in fits:
                self.assertRegex(line, r" [1-9]\d* at %d dpi$" % dpi)
            tree, listed, bar = [[int(n) for n in re.findall(r"-?\d+", line)[:4]] for line in values(out, "CHILD")]
            width = listed[2] + tree[0]
            shares[dpi] = (tree[2] - tree[0]) / width
            self.assertEqual(bar[2] - bar[0], 4 * dpi // 96, dpi)
            with open(os.path.join(folder, "zenth.cfg"), "rb") as f:
                settings[dpi] = f.read()
            # The status window, as "Wake" shows the tray's.
            out = self.drive("start", winpath(os.path.join(folder, "zenthmail.exe")), "--systemtray",
                             "wait-enabled", "Status", ID.IDC_STATUS_CANCEL, "0", "15000", "hidden-command", MAIN,
                             ID.CMD_WAKE,
                             "window", "Status", "10000", "text-fits", "Status", "kill")
            self.assertEqual(values(out, "CUT"), [], (dpi, "Status"))
            self.assertRegex(values(out, "FITS")[0], r" [1-9]\d* at %d dpi$" % dpi)
            for exe, title in DIALOGS.items():
                out = self.drive("start", winpath(os.path.join(folder, exe)), "", "window", title, "15000",
                                 "text-fits", title, *FURTHER.get(exe, []), "kill")
                self.assertEqual(values(out, "CUT"), [], (dpi, exe))
                fits = values(out, "FITS")
                self.assertEqual(len(fits), 1 + FURTHER.get(exe, []).count("text-fits"), (dpi, exe))
                for line in fits:
                    self.assertRegex(line, r" [1-9]\d* at %d dpi$" % dpi)
                for line in values(out, "RECT"):
                    top, bottom = [int(n) for n in line.split()[1:4:2]]
                    self.assertLessEqual(bottom - top, TALLEST_AT_192 * dpi // 192, (dpi, exe, line))
        # The tree takes the same share of the window at each DPI.
        for dpi in (144, 192):
            self.assertAlmostEqual(shares[dpi], shares[96], delta=0.02)
        self.assertEqual(settings[192], settings[96])
        self.assertEqual(settings[144], settings[96])


    def test_a_change_of_dpi_rescales_the_open_windows(self):
        self.at_dpi(96)
        shapes = ["rect", MAIN, "child-rect", MAIN, "347", "child-rect", MAIN, "303", "child-rect", MAIN, "20",
                  "child-rect", MAIN, "10", "ideal-sizes", MAIN]
        folder = self.program_folder(96)
        out = self.drive("start", winpath(os.path.join(folder, "zenthmail.exe")), "", "window", MAIN, "15000",
                         "answered", MAIN, "5000", *shapes, "send-command", MAIN, "345", "kill")
        with open(os.path.join(folder, "zenth.cfg"), "rb") as f:
            at_96 = f.read()
        screen = [int(n) for n in re.search(r"screen=(\d+)x(\d+)", values(out, "RECT")[0]).groups()]
        # A monitor of twice the DPI: the window a little smaller than the
        # screen, as the system would suggest it there.
        suggested = [0, 0, screen[0], screen[1] - 20]
        send_box = [20, 10, screen[0] - 20, screen[1] - 10]
        changed = self.program_folder(192)
        after = self.drive("start", winpath(os.path.join(changed, "zenthmail.exe")), "", "window", MAIN, "15000",
                           "answered", MAIN, "5000", "ideal-sizes", MAIN,
                           "dpi-change", MAIN, "192", *map(str, suggested), *shapes, "text-fits-at", MAIN, "192",
                           # The settings written after the change.
                           "send-command", MAIN, "345", "send-command", MAIN, "345", "send-command", MAIN, "345",
                           "command", MAIN, "343", "window", "Send Mail", "15000",
                           "dpi-change", "Send Mail", "192", *map(str, send_box), "rect", "Send Mail",
                           "text-fits-at", "Send Mail", "192", "kill")
        self.assertEqual(values(after, "CUT"), [])
        self.assertEqual([l for l in values(after, "FITS") if not re.search(r" [1-9]\d* at 192 dpi$", l)], [])
        rects = values(after, "RECT")
        self.assertEqual([int(n) for n in rects[0].split()[:4]], suggested)
        self.assertEqual([int(n) for n in rects[1].split()[:4]], send_box)

        def shares(lines):
            tree, listed, bar, across = [[int(n) for n in re.findall(r"-?\d+", line)[:4]]
                                         for line in values(lines, "CHILD")[:4]]
            # The tree's share of the width, the horizontal bar's of the
            # height (the tree reaches the bottom), the bar's thickness.
            return (tree[2] - tree[0]) / (listed[2] + tree[0]), across[1] / tree[3], bar[2] - bar[0]

        tree_before, across_before, bar_before = shares(out)
        tree_after, across_after, bar_after = shares(after)
        self.assertAlmostEqual(tree_after, tree_before, delta=0.02)
        self.assertAlmostEqual(across_after, across_before, delta=0.02)
        self.assertEqual((bar_before, bar_after), (4, 8))
        # Each button's text, measured in the button's own font, needs
        # about twice the room (8 points are 11 pixels high at 96 dpi, 21 at
        # 192, and glyphs round) and still has it.
        ideal = values(after, "IDEAL")
        before = {l.split()[0]: [int(n) for n in l.split()[1:]] for l in ideal[:len(ideal) // 2]}
        for line in ideal[len(ideal) // 2:]:
            button, width, height, room = line.split()[0], *map(int, line.split()[1:])
            for grown in (width / before[button][0], height / before[button][1]):
                self.assertTrue(1.65 < grown < 2.2, line)
            self.assertLessEqual(width, room, line)
        with open(os.path.join(changed, "zenth.cfg"), "rb") as f:
            self.assertEqual(f.read(), at_96)


if __name__ == "__main__":
    unittest.main()
