"""What a release carries: the project's one version in each program's
version resource and in the client's About box, an icon of its own for each
program at every size Windows shows, and the zip a user downloads, which
unpacks into a folder the client starts from and zenth-install registers."""

import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
import test_install  # noqa: E402
from test_install import BOXES, CLASS_KEY, INSTALL, Installer  # noqa: E402
from zmharness import DIST, ClientTest, ID, drive, values, winpath  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

MAIN = "Zenth Mail"
PROGRAMS = {
    "zenthmail.exe": "Zenth Mail",
    "zenth-profiles.exe": "Zenth Mail account manager",
    "zenth-setup.exe": "Zenth Mail options",
    "zenth-install.exe": "Zenth Mail installer",
    "zenth-picker.exe": "Zenth Mail file dialogs",
}
SIZES = [16, 20, 24, 32, 40, 48, 64, 128, 256]
# What the manifest every program embeds must say.
MANIFEST = [
    b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
    b'<requestedExecutionLevel level="asInvoker" uiAccess="false"/>',
    b'<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>',
    b'<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>',
    b'<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>',
    # Windows 7, 8, 8.1, and 10 with 11.
    b'{35138b9a-5d96-4fbd-8e2d-a2440225f93a}', b'{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',
    b'{1f676c76-80e1-4239-95bb-83d0f6d0da78}', b'{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',
]
SIDE_BY_SIDE = "microsoft.windows.common-controls_6595b64144ccf1df_6.0."


def project_version():
    """The version the build files give the project."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(zenthmail VERSION (\d+\.\d+\.\d+)", f.read()).group(1)


class Release(ClientTest):
    def test_every_program_carries_the_version_and_an_icon_of_its_own(self):
        version = project_version()
        steps = []
        for name in PROGRAMS:
            steps += ["file-version", winpath(self.path(name)), "icons", winpath(self.path(name))]
        out = drive(*steps)
        self.assertEqual(values(out, "VERSION"), [version + ".0"] * len(PROGRAMS))
        strings = values(out, "VERSION-STRING")
        self.assertEqual(len(strings), 7 * len(PROGRAMS))
        icons = values(out, "ICON")
        self.assertEqual(len(icons), len(SIZES) * len(PROGRAMS))
        drawings = set()
        for n, (name, description) in enumerate(PROGRAMS.items()):
            fields = dict(s.split("=", 1) for s in strings[7 * n:7 * n + 7])
            self.assertEqual(fields, {
                "FileVersion": version, "ProductVersion": version, "ProductName": "Zenth Mail",
                "FileDescription": description, "CompanyName": "The Zenth Mail developers",
                "LegalCopyright": "Copyright (c) 2026 the Zenth Mail developers", "OriginalFilename": name})
            mine = icons[len(SIZES) * n:len(SIZES) * (n + 1)]
            self.assertEqual([int(i.split()[0]) for i in mine], SIZES, name)
            drawings.add(mine[3].split()[2])
        # Each program is told apart by its icon (the 32-pixel image).
        self.assertEqual(len(drawings), len(PROGRAMS))

    def test_every_program_embeds_the_manifest_and_runs_with_common_controls_6(self):
        for name in PROGRAMS:
            data = self.read(name)
            self.assertEqual(data.count(b"<assembly "), 1, name)
            for part in MANIFEST:
                self.assertIn(part, data, name)
        # The loader took version 6 from the side-by-side store, in the
        # client and in a companion program.
        client = self.run_client("", "window", MAIN, "15000", "module-version", "comctl32.dll",
                                 "command", MAIN, ID.CMD_EXIT, "wait-exit", "5000")
        setup = drive("start", winpath(self.path("zenth-install.exe")), "", "window", "Install", "15000",
                      "module-version", "comctl32.dll", "command", "Install", ID.IDC_EXIT, "wait-exit", "5000")
        for out in (client, setup):
            self.assertIn(SIDE_BY_SIDE, values(out, "MODULE")[0].lower())

    def test_the_about_box_names_the_version(self):
        out = self.run_client("", "window", MAIN, "15000", "command", MAIN, ID.CMD_ABOUT, "msgbox", MAIN, "5000",
                              "command", MAIN, ID.CMD_EXIT, "wait-exit", "5000")
        # The box's text comes line by line.
        at = out.index("MSGBOX: Zenth Mail")
        self.assertEqual([line for line in out[at + 1:at + 5] if line],
                         ["Version " + project_version(), "Copyright (c) 2026 the Zenth Mail developers"])


class ReleaseZip(Installer):
    """The zip made from the built programs, unpacked in a fresh prefix."""

    # The installer's tests boot their prefix once for their module; this
    # class is the only one here that needs it.
    @classmethod
    def setUpClass(cls):
        test_install.setUpModule()

    @classmethod
    def tearDownClass(cls):
        test_install.tearDownModule()

    def setUp(self):
        super().setUp()
        self.out = tempfile.mkdtemp(prefix="zm-release-")
        subprocess.run(["bash", os.path.join(ROOT, "scripts", "package.sh"), "--programs", DIST, "--out", self.out],
                       check=True, capture_output=True, timeout=300)

    def tearDown(self):
        shutil.rmtree(self.out, ignore_errors=True)
        super().tearDown()

    def test_the_zip_unpacks_into_a_folder_that_starts_and_registers(self):
        name = "ZenthMail-%s" % project_version()
        archive = os.path.join(self.out, name + "-win64.zip")
        with open(archive, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        with open(archive + ".sha256", encoding="ascii") as f:
            self.assertEqual(f.read(), "%s  %s-win64.zip\n" % (digest, name))
        with zipfile.ZipFile(archive) as z:
            self.assertEqual(sorted(z.namelist()), sorted(name + "/" + n for n in list(PROGRAMS) + ["README.txt"]))
            readme = z.read(name + "/README.txt").decode("ascii")
            z.extractall(self.home)
        self.assertIn("zenth-install.exe", readme)
        self.assertIn(name + "-win64.zip.sha256", readme)
        self.assertNotIn("\n", readme.replace("\r\n", ""))
        self.folder = os.path.join(self.home, name)
        client = winpath(os.path.join(self.folder, "zenthmail.exe"))
        # The first start asks for an account; without one the window opens.
        out = self.drive("start", client, "", "msgbox", "Zenth Mail", "15000", "no",
                         "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_EXIT, "wait-exit", "10000")
        self.assertEqual(values(out, "MSGBOX"), ["Would you like to setup an e-mail account now?"])
        self.assertEqual(values(out, "EXIT"), ["0"])
        self.assertTrue(os.path.isdir(os.path.join(self.folder, "maildir", "inbox")))
        out = self.run_installer("check", INSTALL, BOXES["eml"], "1", "command", INSTALL, ID.IDC_INSTALL,
                                 "msgbox", INSTALL, "15000")
        self.assertEqual(values(out, "MSGBOX"), ["Installation successful."])
        self.assertEqual(self.reg(CLASS_KEY), ("REG_SZ", '"%s" %%1' % client))


if __name__ == "__main__":
    unittest.main()
