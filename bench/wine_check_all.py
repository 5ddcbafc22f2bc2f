"""The client itself under Wine: "Check All Accounts" (command 1200) posted to
its main window, timed from the command to the status window's "New
messages" line, receiving 200 messages of 4 KB from dovecot into an inbox
that already holds 0 and then 10,000 messages. Window, status text and log
are all part of the figure.

Needs the Windows build (build/win64), a display (scripts/wine-env.sh,
start_display) and the mail servers (tests/servers/start.sh, its env.sh
sourced). Run: python3 bench/wine_check_all.py [inbox sizes...]; ZM_BENCH_COUNT
sets the number of messages (200 unless set), ZM_BENCH_PROTOCOL=imap checks
the mailbox as an IMAP account (POP3 unless set)."""

import os
import poplib
import shutil
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "win64")
os.environ.setdefault("ZM_DIST", os.path.join(BUILD, "dist"))
os.environ.setdefault("ZM_DRIVER", os.path.join(BUILD, "tests", "zmdriver.exe"))
os.environ.setdefault("ZM_ACCOUNT_TABLE", os.path.join(BUILD, "tests", "zm_account_table.exe"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import zmharness  # noqa: E402

COUNT = int(os.environ.get("ZM_BENCH_COUNT", "200"))
USER, PASSWORD = "sink", "sinkpw"
DELETE_FROM_SERVER = 0x8
ACCOUNT_IMAP = 0x4000
IMAP = os.environ.get("ZM_BENCH_PROTOCOL", "pop3") == "imap"


def maildir():
    return os.path.join(os.environ["ZM_MAILDIR_ROOT"], USER, "Maildir")


def deliver_all():
    """Writes the messages straight into the Maildir, as a delivery would."""
    line = b"Q" * 76 + b"\r\n"
    for n in range(1, COUNT + 1):
        name = "%d.winbench%d.local" % (time.time(), n)
        body = (b"From: carol@example.test\r\nTo: sink@example.test\r\nSubject: wine bench %d\r\n"
                b"Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\n" % n) + line * 50
        with open(os.path.join(maildir(), "tmp", name), "wb") as f:
            f.write(body)
        os.rename(os.path.join(maildir(), "tmp", name), os.path.join(maildir(), "new", name))


def warm_up():
    """One session that only lists: the first session after a delivery has
    dovecot index the new messages, which is the server's time, not the
    client's (the native benchmark does the same)."""
    session = poplib.POP3("127.0.0.1", int(os.environ["ZM_POP3_PORT"]), timeout=60)
    session.user(USER)
    session.pass_(PASSWORD)
    session.list()
    session.uidl()
    session.quit()


def clear_mailbox():
    for sub in ("new", "cur"):
        for name in os.listdir(os.path.join(maildir(), sub)):
            os.remove(os.path.join(maildir(), sub, name))


class Run(zmharness.ClientTest):
    def runTest(self):
        pass


def check_all(prefilled):
    run = Run()
    run.setUp()
    try:
        inbox = run.path("maildir", "inbox")
        os.makedirs(inbox)
        for n in range(1, prefilled + 1):
            with open(os.path.join(inbox, "mm%d.eml" % n), "wb") as f:
                f.write(b"X-ZMRead: TRUE\r\nFrom: old@example.test\r\nSubject: older %d\r\n\r\nOlder." % n)
        clear_mailbox()
        deliver_all()
        warm_up()
        smtp = "127.0.0.1:%s" % os.environ["ZM_SMTP_PORT"]
        incoming = "127.0.0.1:%s" % os.environ["ZM_IMAP_PORT" if IMAP else "ZM_POP3_PORT"]
        run.write_accounts(("bench", smtp, '"Sink" <sink@example.test>', incoming, USER, PASSWORD, "maildir\\inbox",
                            DELETE_FROM_SERVER | (ACCOUNT_IMAP if IMAP else 0)))
        # Drafts on show, so that the figure is the receive, not the refill
        # of a list of 10,000 rows afterwards.
        out = run.run_client("", "window", "Zenth Mail", "15000", "tree-select", "Zenth Mail", "347", "drafts",
                             "sleep", "1000", "clock", "command", "Zenth Mail", "1200", "window", "Status", "15000",
                             "wait-text", "Status", "213", "New messages: ", "300000", "clock",
                             "command", "Status", "1302", "no-window", "Status", "5000",
                             "command", "Zenth Mail", "302", "wait-exit", "20000")
        clocks = [int(v) for v in zmharness.values(out, "CLOCK")]
        seconds = (clocks[1] - clocks[0]) / 1000.0
        stored = len([n for n in os.listdir(inbox) if n.endswith(".eml")]) - prefilled
        left = len(os.listdir(os.path.join(maildir(), "new"))) + len(os.listdir(os.path.join(maildir(), "cur")))
        print("Wine client, Check All Accounts (%s), %d messages of 4 KB into an inbox of %5d: %.2f s, %.1f messages/s"
              " (%d stored, %d left on the server)" % ("IMAP" if IMAP else "POP3", COUNT, prefilled, seconds,
                                                        stored / seconds, stored, left))
        if stored != COUNT or left != 0:
            print("  the status window said: %s" % zmharness.values(out, "TEXT")[-1][-1500:])
        sys.stdout.flush()
        return stored == COUNT and left == 0
    finally:
        run.tearDown()


def main():
    if not os.environ.get("ZM_POP3_PORT") or not os.environ.get("ZM_MAILDIR_ROOT"):
        print("wine_check_all: skipped, the mail servers are not running")
        return 0
    sizes = [int(a) for a in sys.argv[1:]] or [0, 10000]
    ok = all([check_all(size) for size in sizes])
    clear_mailbox()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
