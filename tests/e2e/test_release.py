"""What a released program carries: the project's one version in each
program's version resource and in the client's About box, and an icon of
its own for each program at every size Windows shows."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, drive, values, winpath  # noqa: E402

MAIN = "Zenth Mail"
PROGRAMS = {
    "zenthmail.exe": "Zenth Mail",
    "zenth-profiles.exe": "Zenth Mail account manager",
    "zenth-setup.exe": "Zenth Mail options",
    "zenth-install.exe": "Zenth Mail installer",
    "zenth-picker.exe": "Zenth Mail file dialogs",
}
SIZES = [16, 20, 24, 32, 40, 48, 64, 128, 256]


def project_version():
    """The version the build files give the project."""
    root = os.path.join(os.path.dirname(__file__), "..", "..")
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
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

    def test_the_about_box_names_the_version(self):
        out = self.run_client("", "window", MAIN, "15000", "command", MAIN, "328", "msgbox", MAIN, "5000",
                              "command", MAIN, "302", "wait-exit", "5000")
        # The box's text comes line by line.
        at = out.index("MSGBOX: Zenth Mail")
        self.assertEqual([line for line in out[at + 1:at + 5] if line],
                         ["Version " + project_version(), "Copyright (c) 2026 the Zenth Mail developers"])


if __name__ == "__main__":
    unittest.main()
