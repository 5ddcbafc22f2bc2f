"""End-to-end harness: a fresh program folder per test, the client started
under Wine, and the test driver to find its windows and answer its boxes."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

DIST = os.environ.get("ZM_DIST", "")
DRIVER = os.environ.get("ZM_DRIVER", "")
ACCOUNT_TABLE = os.environ.get("ZM_ACCOUNT_TABLE", "")
# A program whose child process shows a save dialog (the driver's own test).
DIALOG_CHILD = os.environ.get("ZM_DIALOG_CHILD", "")


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


def wait_for(condition, seconds, what="the condition"):
    """Polls the condition until it holds; fails once the seconds are up."""
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            raise AssertionError("waited %s s in vain for %s" % (seconds, what))
        time.sleep(0.05)


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
