"""End-to-end harness: a fresh program folder per test, the client started
under Wine, and the test driver to find its windows and answer its boxes."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import time
import types
import unittest

DIST = os.environ.get("ZM_DIST", "")
DRIVER = os.environ.get("ZM_DRIVER", "")
ACCOUNT_TABLE = os.environ.get("ZM_ACCOUNT_TABLE", "")
# A program whose child process shows a save dialog (the driver's own test).
DIALOG_CHILD = os.environ.get("ZM_DIALOG_CHILD", "")


SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# Numbers named outside the programs' *_ids.h headers: the splitter bars'
# window ids and the first colour scheme's command.
NUMBER_HEADERS = ("client/splitter_bars.h", "client/colour_schemes.h")


def read_ids(root=SOURCE):
    """The control, command and resource numbers that the programs' own
    headers name (#define in <program folder>/*_ids.h, "constexpr int" in
    NUMBER_HEADERS), by name, as the texts the driver's steps take: a
    number changed there reaches the tests too."""
    headers = sorted(glob.glob(os.path.join(root, "*", "*_ids.h")))
    headers += [os.path.join(root, header) for header in NUMBER_HEADERS]
    numbers = {}
    for header in headers:
        with open(header, encoding="utf-8") as f:
            text = f.read()
        found = re.findall(r"^#define\s+(\w+)\s+(-?\d+)\s*$", text, re.M)
        for names in re.findall(r"^constexpr int (\w+\s*=\s*-?\d+(?:\s*,\s*\w+\s*=\s*-?\d+)*);", text, re.M):
            found += re.findall(r"(\w+)\s*=\s*(-?\d+)", names)
        for name, number in found:
            if numbers.setdefault(name, number) != number:
                raise ValueError("%s is %s in %s and %s elsewhere" % (name, number, header, numbers[name]))
    if not numbers:
        raise ValueError("no *_ids.h headers below " + root)
    return types.SimpleNamespace(**numbers)


# The programs' numbers by name: ID.CMD_EXIT is "302".
ID = read_ids()


def winpath(path):
    """The Wine name of a Linux path (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class DriverFailure(AssertionError):
    pass


def drive(*steps, timeout=180):
    """Runs the driver with the steps and returns its output lines."""
    for attempt in range(3):
        try:
            return finish(subprocess.Popen(["wine", DRIVER, *steps], stdout=subprocess.PIPE,
                                           stderr=subprocess.PIPE, encoding="utf-8", errors="replace"), timeout)
        except DriverFailure as failure:
            # Wine now and then fails to create the client's process at all
            # (error 1359); nothing of the test has happened then, so it is
            # worth another try. Any other failure is the test's.
            if attempt == 2 or "FAIL: cannot start" not in str(failure):
                raise


def finish(driver, timeout=180):
    """Waits for a driver started in the background; its output lines."""
    try:
        stdout, stderr = driver.communicate(timeout=timeout)
    except subprocess.TimeoutExpired as timed_out:
        # The client may hold the pipes open; what arrived is all there is.
        driver.kill()
        raise DriverFailure("driver timed out: %s" % (timed_out.stdout or ""))
    lines = [l.rstrip("\r") for l in stdout.splitlines()]
    if driver.returncode != 0:
        raise DriverFailure("driver failed: %s\n%s" % ("\n".join(lines), stderr[-2000:]))
    return lines


def drive_leaving_running(*steps, timeout=180):
    """Runs the driver with the steps, for steps that leave the program it
    started running: its output goes through a file, since the program holds
    a pipe of the driver's open, so only the driver's own end is awaited."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        driver = subprocess.Popen(["wine", DRIVER, *steps], stdout=out, stderr=err)
        try:
            driver.wait(timeout)
        except subprocess.TimeoutExpired:
            driver.kill()
            driver.wait()
        out.seek(0)
        err.seek(0)
        lines = [l.rstrip("\r") for l in out.read().decode("utf-8", "replace").splitlines()]
        if driver.returncode != 0:
            raise DriverFailure("driver failed (exit %s): %s\n%s" % (driver.returncode, "\n".join(lines),
                                                                      err.read().decode("utf-8", "replace")[-2000:]))
        return lines


def holds_within(condition, seconds, period=0.05):
    """Polls the condition every period until it holds or the seconds are
    up; whether it held."""
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            return False
        time.sleep(period)
    return True


def wait_for(condition, seconds, what="the condition"):
    """Polls the condition until it holds; fails once the seconds are up."""
    if not holds_within(condition, seconds):
        raise AssertionError("waited %s s in vain for %s" % (seconds, what))


def values(lines, kind):
    """The texts of the driver's output lines of one kind ("MSGBOX", ...)."""
    prefix = kind + ": "
    return [l[len(prefix):] for l in lines if l.startswith(prefix)]


class ClientTest(unittest.TestCase):
    """Each test gets its own program folder holding a copy of the programs."""

    with_picker = True
    # An empty account table: no question about setting up an account.
    with_account_table = True

    def setUp(self):
        if not DIST or not DRIVER:
            self.fail("ZM_DIST and ZM_DRIVER must name the built programs")
        self.folder = tempfile.mkdtemp(prefix="zm-e2e-")
        for name in os.listdir(DIST):
            if name.endswith(".exe") and (self.with_picker or name != "zenth-picker.exe"):
                shutil.copy(os.path.join(DIST, name), self.folder)
        if self.with_picker and not os.path.exists(self.path("zenth-picker.exe")):
            # Start-up only checks that the helper is there.
            self.write("zenth-picker.exe", b"")
        if self.with_account_table:
            self.write("accountdata.cfg", b"")
        self.client = winpath(self.path("zenthmail.exe"))

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def write(self, name, data):
        full = self.path(name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write_accounts(self, *accounts):
        """Writes accountdata.cfg (and a pwdkey.dat) from account records of
        eight fields each, as the account manager would."""
        fields = [str(f) for account in accounts for f in account]
        for attempt in range(3):
            result = subprocess.run(["wine", ACCOUNT_TABLE, winpath(self.folder), *fields], capture_output=True,
                                    text=True, timeout=60)
            # The tool names every refusal of its own; a failure without
            # one is Wine not starting it, which is worth another try.
            if result.returncode == 0 or "zm_account_table:" in result.stderr:
                break
        if result.returncode != 0:
            raise AssertionError("account table not written (exit %d): %s %s" %
                                 (result.returncode, result.stdout[-500:], result.stderr[-1000:]))

    def run_client(self, argument, *steps):
        """Starts the client with the argument text and runs the steps."""
        return drive("start", self.client, argument, *steps)

    def start_client(self, argument, *steps):
        """The same in the background, for a test that acts meanwhile."""
        return subprocess.Popen(["wine", DRIVER, "start", self.client, argument, *steps], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, encoding="utf-8", errors="replace")

    def finish_client(self, driver):
        return finish(driver)
