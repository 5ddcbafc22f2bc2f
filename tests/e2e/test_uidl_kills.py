"""The client killed by its process id at a random point of a 30-message
receive from dovecot, started again and checked again, round after round:
every message is in the inbox whole, none is lost, none is there twice but
the one whose move into the inbox the kill met (its id could not yet be on
the disk), and the file of the mailbox's unique-ids is always the old one or
the new one, never torn.

The client that checked a round to its end is killed in the next round's
check, so each round starts one client. Rounds alternate between an account
that leaves mail on the server and one that deletes it. Before each round
the state file gets thousands of ids the server no longer has, so that the
first check rewrites it and a kill may land in that rewrite. ZM_KILL_ROUNDS sets the number of rounds (20); the
figures are printed at the end."""

import os
import random
import re
import signal
import subprocess
import time
import unittest

from zmharness import ClientTest, ID, drive, drive_leaving_running, holds_within, wait_for, winpath
from test_transfers import SERVERS, TOOLS, DELETE_FROM_SERVER, account, deliver, mailbox

ROUNDS = int(os.environ.get("ZM_KILL_ROUNDS", "20"))
MESSAGES = 30
STALE = 20000
HEAD_RE = re.compile(rb"^X-ZMRead: FALSE\r\nX-ReceivedDate: [^\r\n]+\r\n")


def message(round_number, n):
    body = b"".join(b"line %d of message %d of round %d\r\n" % (line, n, round_number) for line in range(60))
    return (b"From: carol@example.test\r\nTo: alice@example.test\r\nSubject: round %d message %d\r\n"
            b"Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n" % (round_number, n)) + body


def linux_pids(windows_path):
    """The Linux processes whose command line is the Windows program's path."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                command = f.read().split(b"\0")[0].decode("latin-1")
        except OSError:
            continue
        if command.lower() == windows_path.lower():
            pids.append(int(entry))
    return pids


@unittest.skipUnless(SERVERS and TOOLS, "the mail servers of tests/servers are not running")
class KilledReceives(ClientTest):

    def setUp(self):
        super().setUp()
        mailbox("clear", "alice")
        os.makedirs(self.path("maildir/inbox"), exist_ok=True)
        self.rng = random.Random(os.environ.get("ZM_KILL_SEED") or time.time_ns())

    def tearDown(self):
        # A failed round leaves its client running.
        for pid in linux_pids(self.client):
            os.kill(pid, signal.SIGKILL)
        mailbox("clear", "alice")
        super().tearDown()

    def log(self):
        try:
            return self.read("zmlog.txt").decode("latin-1")
        except OSError:
            return ""

    def state_file(self):
        names = os.listdir(self.path("uidl")) if os.path.isdir(self.path("uidl")) else []
        names = [n for n in names if n.endswith(".txt")]
        return self.path("uidl", names[0]) if names else None

    def scratch_time(self):
        """When the state's scratch file was last written, None without one."""
        path = self.state_file()
        return os.stat(path + ".new").st_mtime_ns if path and os.path.exists(path + ".new") else None

    def draw_point(self):
        """What the log must show before the kill: its progress lines, counted
        from where this run's log begins."""
        if self.rng.random() < 0.15:
            # As the state's rewrite writes its scratch file.
            return (None, 1, 0)
        if self.rng.random() < 0.2:
            # In the login, the listings or the state's rewrite, which the
            # stale ids make long enough to be hit now and then.
            return ("Connected to server.\r\n", 1, self.rng.uniform(0, 0.15))
        p = self.rng.randrange(1, 2 + 2 * MESSAGES)
        if p == 1:
            return ("Found %d.\r\n" % MESSAGES, 1, 0)
        k = (p - 2) // 2 + 1
        # A message begun (its body on the way), or just stored (its move,
        # its record and its DELE follow).
        return ("#%d (" % k, 1, 0) if p % 2 == 0 else (" done\r\n", k, 0)

    def kill_at(self, point, log_from, alive):
        """Waits for the point in the log while alive() holds (asked every
        quarter second: it may be slow), then kills the client; returns what
        happened."""
        text, count, delay = point
        client = winpath(self.path("zenthmail.exe"))
        scratch_before = self.scratch_time()
        asked = [0.0]
        reached = []

        def settled():
            if text is None:
                # The scratch file shows up and goes within milliseconds;
                # once "Found" is shown the rewrite is over.
                if self.scratch_time() != scratch_before or "Found" in self.log()[log_from:]:
                    reached.append(True)
            elif self.log()[log_from:].count(text) >= count:
                reached.append(True)
            if reached:
                return True
            if time.monotonic() - asked[0] > 0.25:
                # Gone, or its check over (its last line says the errors).
                asked[0] = time.monotonic()
                return not alive() or "Errors: " in self.log()[log_from:]
            return False

        # A kill point lasts milliseconds, so the log is read that often.
        if not holds_within(settled, 60, 0.0002 if text is None else 0.002) or not reached:
            return "not reached"
        if delay:
            time.sleep(delay)
        pids = linux_pids(client)
        for pid in pids:
            os.kill(pid, signal.SIGKILL)
        return "killed" if pids else "gone"

    def check_state(self, before, ids_now):
        """The state file is the old one or a new one, whole."""
        path = self.state_file()
        if path is None:
            return before is None
        with open(path, "rb") as f:
            data = f.read()
        if data == before:
            return True
        lines = data.split(b"\r\n")
        return (data.endswith(b"\r\n") and lines[0].startswith(b"Server: ") and lines[1] == b"User: alice"
                and all(line in ids_now for line in lines[2:-1]))

    def server_ids(self):
        """The mailbox's unique-ids as dovecot lists them."""
        import socket
        s = socket.create_connection(("127.0.0.1", int(os.environ["ZM_POP3_PORT"])), timeout=10)
        f = s.makefile("rb")
        f.readline()
        ids = set()
        for command in (b"user alice", b"pass alicepw", b"uidl"):
            s.sendall(command + b"\r\n")
            f.readline()
        while True:
            line = f.readline()
            if line in (b".\r\n", b""):
                break
            ids.add(line.split()[1])
        s.sendall(b"quit\r\n")
        f.readline()
        s.close()
        return ids

    def test_killed_receives_store_every_message_once(self):
        kills = points_missed = duplicates = lost = torn = bad_states = stored = 0
        early_kills = rewrite_kills = 0
        # The two account tables, each with its key, written once.
        tables = []
        for options in (0, DELETE_FROM_SERVER):
            self.write_accounts(account("home", "alice", "alicepw", "maildir\\inbox", options))
            tables.append((self.read("accountdata.cfg"), self.read("pwdkey.dat")))
        # The client that checked a round to its end is the one killed in
        # the next: it has run one check already, as a user's client has.
        # Its account table is the one of the round it checked.
        running = False
        checked = set()
        for r in range(ROUNDS):
            mailbox("clear", "alice")
            for n in range(1, MESSAGES + 1):
                deliver("alice", message(r, n))
            ids_now = self.server_ids()
            # Ids of an earlier mailbox, which this round's first check drops.
            path = self.state_file()
            if path:
                with open(path, "ab") as f:
                    f.write(b"".join(b"stale-%d-%d\r\n" % (r, i) for i in range(STALE)))
                with open(path, "rb") as f:
                    before = f.read()
            else:
                before = None

            log_from = len(self.log())
            scratch_before = self.scratch_time()
            point = self.draw_point()
            if running:
                drive("any-process", "window", "Zenth Mail", "15000", "command", "Zenth Mail",
                      ID.CMD_CHECK_ALL_ACCOUNTS)
                killed_options = options
                outcome = self.kill_at(point, log_from, lambda: bool(linux_pids(self.client)))
            else:
                killed_options = 0
                self.write("accountdata.cfg", tables[0][0])
                self.write("pwdkey.dat", tables[0][1])
                driver = subprocess.Popen(["wine", os.environ["ZM_DRIVER"], "start", self.client, "", "window",
                                           "Zenth Mail", "15000", "command", "Zenth Mail",
                                           ID.CMD_CHECK_ALL_ACCOUNTS, "wait-exit", "120000"],
                                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                outcome = self.kill_at(point, log_from, lambda: driver.poll() is None)
            if outcome != "killed":
                # The check ended before the point: the client is ended now.
                points_missed += 1
                for pid in linux_pids(self.client):
                    os.kill(pid, signal.SIGKILL)
            else:
                kills += 1
                if "Found" not in self.log()[log_from:]:
                    early_kills += 1
                # A scratch file of the state is left only by a kill while it
                # was written.
                if self.scratch_time() not in (None, scratch_before):
                    rewrite_kills += 1
            if not running:
                driver.communicate(timeout=60)
            running = False
            if not self.check_state(before, ids_now):
                bad_states += 1

            # Started again and checked again, to the end; rounds alternate
            # between leaving the mail and deleting it.
            options = DELETE_FROM_SERVER if r % 2 else 0
            self.write("accountdata.cfg", tables[r % 2][0])
            self.write("pwdkey.dat", tables[r % 2][1])
            print("round %d: kill point %r (%s), %s; checked again (%s)"
                  % (r, point, "delete" if killed_options else "keep", outcome, "delete" if options else "keep"),
                  flush=True)
            # The window's bound is wide: this check runs while Wine may
            # still be clearing away the killed client; the log's end says
            # how far the check came when it fails.
            check_from = len(self.log())
            try:
                drive_leaving_running("start", self.client, "", "window", "Zenth Mail", "15000",
                                      "command", "Zenth Mail", ID.CMD_CHECK_ALL_ACCOUNTS,
                                      "window", "Status", "60000", "wait-text", "Status", ID.IDC_STATUS, "Errors: ",
                                      "60000", "command", "Status", ID.IDC_STATUS_OK, "no-window", "Status", "10000")
            except AssertionError as failure:
                raise AssertionError("round %d, the check after the kill: %s\nthe client's log of it:\n%s"
                                     % (r, failure, self.log()[check_from:][-3000:])) from failure
            running = True
            counts = {}
            for name in os.listdir(self.path("maildir/inbox")):
                if not re.fullmatch(r"mm\d+\.eml", name) or name in checked:
                    continue  # the list's mirror, or a message of an earlier round
                checked.add(name)
                data = self.read(os.path.join("maildir/inbox", name))
                found = re.search(rb"Subject: round (\d+) message (\d+)\r\n", data)
                head = HEAD_RE.match(data)
                n = int(found.group(2)) if found and int(found.group(1)) == r else 0
                expected = message(r, n)[:-2]
                if not n or not head or data[head.end():] != expected:
                    torn += 1
                    print("torn: %s %r ... %r" % (name, data[:120], data[-80:]), flush=True)
                    continue
                counts[n] = counts.get(n, 0) + 1
            stored += sum(counts.values())
            lost += sum(1 for n in range(1, MESSAGES + 1) if n not in counts)
            for n, c in sorted(counts.items()):
                if c > 1:
                    print("round %d: message %d stored %d times, the kill at %r" % (r, n, c, point), flush=True)
            duplicates += sum(c - 1 for c in counts.values())
            self.assertTrue(self.check_state(None, ids_now), "round %d: state after the second check" % r)
            if options & DELETE_FROM_SERVER:
                self.assertEqual(mailbox("count", "alice"), "0", "round %d" % r)
            # One round's counts, so that a failure shows where.
            self.assertEqual((lost, torn, bad_states), (0, 0, 0), "round %d, kill point %r" % (r, point))
            # Only the message whose move into the inbox the kill met.
            self.assertLessEqual(sum(c - 1 for c in counts.values()), 1, "round %d" % r)
        drive("any-process", "window", "Zenth Mail", "15000", "command", "Zenth Mail", ID.CMD_EXIT)
        wait_for(lambda: not linux_pids(self.client), 30, "the client's exit")

        print("\nkill test: rounds %d, kills %d (%d before \"Found\" was shown: in the login, the listings or "
              "the state's rewrite; %d inside the rewrite itself), checks that ended before the kill point %d; "
              "messages %d, stored %d, duplicates %d, lost %d, torn %d, torn state files %d"
              % (ROUNDS, kills, early_kills, rewrite_kills, points_missed, ROUNDS * MESSAGES, stored, duplicates,
                 lost, torn, bad_states), flush=True)
        self.assertEqual(stored, ROUNDS * MESSAGES + duplicates)


if __name__ == "__main__":
    unittest.main(verbosity=2)
