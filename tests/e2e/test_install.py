"""The installer zenth-install under Wine, each case in a Wine prefix of its
own under a scratch HOME: registry values, shortcuts, and the shell starting
the client through them. Each case needs a prefix that nothing was installed
into (the installer keeps the handler it finds and refuses to uninstall what
it did not install), so each takes a copy of one prefix booted for them all."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import DIST, DRIVER, ID, finish, values, winpath  # noqa: E402

INSTALL = "Install"
BOXES = {"desktop": ID.IDC_DESKTOP_SHORTCUT, "start_menu": ID.IDC_START_MENU_SHORTCUT, "eml": ID.IDC_ASSOCIATE_EML,
         "startup": ID.IDC_RUN_AT_STARTUP, "mailto": ID.IDC_MAILTO_HANDLER}
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
MAILTO_KEY = r"HKCR\mailto\shell\open\command"
EML_KEY = r"HKCR\.eml"
CLASS_KEY = r"HKCR\Zenth Mail File\shell\open\command"
REG_LINE = re.compile(r"^\s{4}(.*?)\s{4}(REG_\w+)\s{4}(.*)$")


def all_boxes(on=True):
    steps = []
    for box in BOXES.values():
        steps += ["check", INSTALL, box, "1" if on else "0"]
    return steps


def prefix_env(home):
    return dict(os.environ, HOME=home, WINEPREFIX=os.path.join(home, "prefix"), WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")


TEMPLATE = {}


def setUpModule():
    # Booting a prefix takes Wine half a minute or more; copying one, a second.
    home = tempfile.mkdtemp(prefix="zm-install-template-")
    TEMPLATE["home"] = home
    env = prefix_env(home)
    subprocess.run(["wine", "wineboot", "-i"], env=env, capture_output=True, timeout=300)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=300)


def tearDownModule():
    shutil.rmtree(TEMPLATE["home"], ignore_errors=True)


def copy_prefix(home):
    """The booted prefix into the scratch HOME, its links into the booting
    HOME (the desktop and the other user folders) made to point into this one."""
    source = TEMPLATE["home"]
    shutil.copytree(os.path.join(source, "prefix"), os.path.join(home, "prefix"), symlinks=True)
    for folder, dirs, files in os.walk(os.path.join(home, "prefix")):
        for name in dirs + files:
            link = os.path.join(folder, name)
            if not os.path.islink(link):
                continue
            target = os.readlink(link)
            if target == source or target.startswith(source + os.sep):
                os.remove(link)
                os.symlink(home + target[len(source):], link)


class Installer(unittest.TestCase):
    """A scratch HOME with a prefix fresh from booting; the program folder
    has a blank."""

    folder_name = "Zenth Mail"

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="zm-install-")
        self.env = prefix_env(self.home)
        copy_prefix(self.home)
        self.folder = os.path.join(self.home, self.folder_name)
        os.makedirs(self.folder)
        for name in ("zenthmail.exe", "zenth-install.exe", "zenth-picker.exe"):
            shutil.copy(os.path.join(DIST, name), self.folder)
        with open(os.path.join(self.folder, "accountdata.cfg"), "wb"):
            pass

    def tearDown(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)

    def drive(self, *steps):
        return finish(subprocess.Popen(["wine", DRIVER, *steps], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       text=True, env=self.env))

    def run_installer(self, *steps, exe=None):
        exe = exe or winpath(os.path.join(self.folder, "zenth-install.exe"))
        return self.drive("start", exe, "", "window", INSTALL, "15000", *steps,
                          "command", INSTALL, ID.IDC_EXIT, "wait-exit", "10000")

    def reg(self, key, name=None):
        """(type, data) of a value, None when it is missing."""
        args = ["/ve"] if name is None else ["/v", name]
        result = subprocess.run(["wine", "reg", "query", key, *args], env=self.env, capture_output=True, text=True,
                                timeout=60)
        if result.returncode != 0:
            return None
        for line in result.stdout.splitlines():
            m = REG_LINE.match(line.rstrip("\r"))
            if m:
                return m.group(2), m.group(3)
        return None

    def key_exists(self, key):
        return subprocess.run(["wine", "reg", "query", key], env=self.env, capture_output=True,
                              timeout=60).returncode == 0

    def client(self):
        return winpath(os.path.join(self.folder, "zenthmail.exe"))

    def desktop_link(self):
        return os.path.join(self.home, "Zenth Mail.lnk")

    def start_menu_link(self):
        found = glob.glob(os.path.join(self.home, "prefix", "drive_c", "users", "*", "AppData", "Roaming",
                                       "Microsoft", "Windows", "Start Menu", "[Pp]rograms", "Zenth Mail.lnk"))
        return found[0] if found else None


class InstallEverything(Installer):
    def test_every_box_registers_quoted_commands_and_shortcuts(self):
        before = self.reg(MAILTO_KEY)
        real_home = os.path.expanduser("~")
        watched = [os.path.join(real_home, p) for p in (".local/share/applications", "Desktop")]
        snapshot = {p: sorted(os.listdir(p)) if os.path.isdir(p) else None for p in watched}

        out = self.run_installer(*all_boxes(), "command", INSTALL, ID.IDC_INSTALL, "msgbox", INSTALL, "15000",
                                 "shortcut", winpath(self.desktop_link()))
        self.assertEqual(values(out, "MSGBOX"), ["Installation successful."])
        quoted = '"%s"' % self.client()
        self.assertEqual(self.reg(RUN_KEY, "Zenth Mail"), ("REG_SZ", quoted + " --systemtray"))
        self.assertEqual(self.reg(MAILTO_KEY), ("REG_EXPAND_SZ", quoted + " %1"))
        self.assertEqual(self.reg(MAILTO_KEY, "OldValue"), ("REG_SZ", before[1]))
        self.assertEqual(self.reg(EML_KEY), ("REG_SZ", "Zenth Mail File"))
        self.assertEqual(self.reg(CLASS_KEY), ("REG_SZ", quoted + " %1"))
        self.assertEqual(values(out, "SHORTCUT"), [self.client() + " | Zenth Mail"])
        start_menu = self.start_menu_link()
        self.assertIsNotNone(start_menu)
        out = self.drive("shortcut", winpath(start_menu))
        self.assertEqual(values(out, "SHORTCUT"), [self.client() + " | Zenth Mail"])

        # The shell opens a message file whose path holds blanks with the
        # client, which takes a copy into "temp".
        message = os.path.join(self.home, "saved mail", "a letter.eml")
        os.makedirs(os.path.dirname(message))
        with open(message, "wb") as f:
            f.write(b"From: ann@example.test\r\nSubject: opened\r\n\r\nHello.\r\n")
        # The client keeps the output of what started it: nothing waits on it.
        shell = subprocess.Popen(["wine", "start", winpath(message)], env=self.env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        self.drive("any-process", "window", "Zenth Mail", "30000", "command", "Zenth Mail", ID.CMD_EXIT,
                   "no-process", "zenthmail.exe", "15000")
        shell.wait(timeout=60)
        with open(os.path.join(self.folder, "temp", "mm1.eml"), "rb") as f:
            self.assertEqual(f.read(), b"From: ann@example.test\r\nSubject: opened\r\n\r\nHello.\r\n")

        # A mailto link: the client alone in a "Send Mail" window with the
        # address; closing it ends the client.
        shell = subprocess.Popen(["wine", "start", "mailto:bob@example.test"], env=self.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        out = self.drive("any-process", "window", "Send Mail", "30000", "settle", "Send Mail", "10000", "text",
                         "Send Mail", ID.IDC_SEND_TO,
                         "close", "Send Mail", "msgbox", "Zenth Mail", "10000", "yes",
                         "no-process", "zenthmail.exe", "15000")
        shell.wait(timeout=60)
        self.assertEqual(values(out, "TEXT"), ["bob@example.test"])

        # Nothing outside the scratch HOME and its prefix.
        self.assertEqual({p: sorted(os.listdir(p)) if os.path.isdir(p) else None for p in watched}, snapshot)

    def test_install_twice_then_uninstall_puts_everything_back(self):
        before = self.reg(MAILTO_KEY)
        self.run_installer(*all_boxes(), "command", INSTALL, ID.IDC_INSTALL, "msgbox", INSTALL, "15000",
                           "command", INSTALL, ID.IDC_INSTALL, "msgbox", INSTALL, "15000")
        # The handler first seen stays kept.
        self.assertEqual(self.reg(MAILTO_KEY, "OldValue"), ("REG_SZ", before[1]))
        out = self.run_installer("command", INSTALL, ID.IDC_UNINSTALL, "msgbox", INSTALL, "15000",
                                 "command", INSTALL, ID.IDC_UNINSTALL, "msgbox", INSTALL, "15000")
        self.assertEqual(values(out, "MSGBOX"), ["Zenth Mail has been uninstalled.", "Zenth Mail is not installed."])
        self.assertEqual(self.reg(MAILTO_KEY)[1], before[1])
        self.assertIsNone(self.reg(MAILTO_KEY, "OldValue"))
        self.assertIsNone(self.reg(RUN_KEY, "Zenth Mail"))
        self.assertFalse(self.key_exists(r"HKCR\Zenth Mail File"))
        self.assertEqual(self.reg(EML_KEY), ("REG_SZ", "Microsoft Internet Mail Message"))
        self.assertFalse(os.path.exists(self.desktop_link()))
        self.assertIsNone(self.start_menu_link())

    def test_another_programs_eml_association_is_left_alone(self):
        subprocess.run(["wine", "reg", "add", EML_KEY, "/ve", "/d", "Other.Mail", "/f"], env=self.env,
                       capture_output=True, timeout=60)
        out = self.run_installer("command", INSTALL, ID.IDC_UNINSTALL, "msgbox", INSTALL, "15000")
        self.assertEqual(values(out, "MSGBOX"), ["Zenth Mail is not installed."])
        self.assertEqual(self.reg(EML_KEY), ("REG_SZ", "Other.Mail"))


class FreshPrefix(Installer):
    def test_uninstall_without_an_install_says_so_and_without_the_client_nothing_opens(self):
        out = self.run_installer("command", INSTALL, ID.IDC_UNINSTALL, "msgbox", INSTALL, "15000")
        self.assertEqual(values(out, "MSGBOX"), ["Zenth Mail is not installed."])
        os.remove(os.path.join(self.folder, "zenthmail.exe"))
        out = self.drive("start", winpath(os.path.join(self.folder, "zenth-install.exe")), "",
                         "msgbox", INSTALL, "15000", "no-window", INSTALL, "2000", "wait-exit", "10000")
        self.assertEqual(values(out, "MSGBOX"), ["Cannot find the zenthmail.exe file. Please run this program from "
                                                 "a folder which contains the file."])
        self.assertEqual(values(out, "EXIT"), ["0"])


class DriveRoot(Installer):
    def test_a_drive_root_gives_one_backslash(self):
        os.symlink(self.folder, os.path.join(self.home, "prefix", "dosdevices", "m:"))
        self.run_installer("check", INSTALL, ID.IDC_RUN_AT_STARTUP, "1", "command", INSTALL, ID.IDC_INSTALL, "msgbox",
                           INSTALL, "15000",
                           exe="M:\\zenth-install.exe")
        self.assertEqual(self.reg(RUN_KEY, "Zenth Mail"), ("REG_SZ", '"M:\\zenthmail.exe" --systemtray'))
        self.assertEqual(self.reg(CLASS_KEY), ("REG_SZ", '"M:\\zenthmail.exe" %1'))


if __name__ == "__main__":
    unittest.main(verbosity=2)
