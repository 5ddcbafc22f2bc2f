"""Printing in the real client under Wine onto a CUPS server of the test's
own whose default queue writes PDF files (tests/printing/cups.sh): the
selection with an HTML-only message, a message of several pages, a message
printed from its send window, and a prefix without any printer."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, DIST, DRIVER, ID, finish, values, winpath  # noqa: E402

CUPS = os.path.join(os.path.dirname(__file__), "..", "printing", "cups.sh")
MAIN = "Zenth Mail"
SEND = "Send Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "10000"]
LISTED = ["window", MAIN, "15000", "wait-log", "Displayed messages in", "15000"]
HAVE_CUPS = all(shutil.which(t) for t in ("cupsd", "lpadmin", "lpstat", "pdftotext", "pdfinfo"))


def message(subject, body, content_type=b"text/plain; charset=utf-8"):
    return (b"From: \"Ann Sender\" <ann@example.test>\r\nTo: bob@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\nContent-Type: " + content_type + b"\r\n\r\n" + body)


@unittest.skipUnless(HAVE_CUPS, "cups, cups-client and poppler-utils are not installed")
class Printing(ClientTest):
    @classmethod
    def setUpClass(cls):
        cls.cups = tempfile.mkdtemp(prefix="zm-cups-")
        subprocess.run(["bash", CUPS, "start", cls.cups], check=True, capture_output=True, timeout=60)
        cls.saved_server = os.environ.get("CUPS_SERVER")
        os.environ["CUPS_SERVER"] = os.path.join(cls.cups, "cups.sock")

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["bash", CUPS, "stop", cls.cups], capture_output=True, timeout=60)
        if cls.saved_server is None:
            os.environ.pop("CUPS_SERVER", None)
        else:
            os.environ["CUPS_SERVER"] = cls.saved_server
        shutil.rmtree(cls.cups, ignore_errors=True)

    def setUp(self):
        super().setUp()
        os.makedirs(self.path("maildir", "inbox"), exist_ok=True)
        self.pdf = os.path.join(self.cups, "out", "job.pdf")
        if os.path.exists(self.pdf):
            os.remove(self.pdf)

    def job_out(self):
        """Steps that wait for the job's PDF to come out of the queue."""
        return ["wait-file", winpath(self.pdf), "", "60000"]

    def printed(self):
        """The text of the job's PDF once the queue is empty (soft hyphens read as "-"), and its pages."""
        for _ in range(120):
            queue = subprocess.run(["lpstat", "-o"], capture_output=True, text=True, timeout=30).stdout
            if not queue.strip() and os.path.exists(self.pdf) and os.path.getsize(self.pdf) > 0:
                break
            time.sleep(0.5)
        else:
            self.fail("no PDF came out of the queue")
        text = subprocess.run(["pdftotext", "-layout", self.pdf, "-"], capture_output=True, text=True,
                              timeout=60).stdout.replace("\u00ad", "-")
        info = subprocess.run(["pdfinfo", self.pdf], capture_output=True, text=True, timeout=60).stdout
        pages = int([l.split()[1] for l in info.splitlines() if l.startswith("Pages:")][0])
        return [l.strip() for l in text.splitlines() if l.strip()], pages

    def test_selection_with_an_html_only_message_asks_then_prints_the_others(self):
        self.write("maildir/inbox/mm1.eml", message(b"First", b"Body one.\r\n"))
        self.write("maildir/inbox/mm2.eml", message(b"Html", b"<p>only html</p>\r\n", b"text/html"))
        self.write("maildir/inbox/mm3.eml", message(b"Third", b"Body three.\r\n"))
        select_all = ["list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "list-select", MAIN, ID.IDC_MESSAGE_LIST, "1",
                      "list-select", MAIN, ID.IDC_MESSAGE_LIST, "2"]
        out = self.run_client("", *LISTED, *select_all, "command", MAIN, ID.CMD_PRINT,
                              "msgbox", "Zenth Mail", "10000", "no", "settle", MAIN, "10000", *CLOSE_AND_EXIT)
        self.assertIn("1 of the selected emails are not printable (they may be HTML only emails). "
                      "Continue printing?", "\n".join(out))
        # The client has ended: a job it had sent would be queued or printed.
        queue = subprocess.run(["lpstat", "-o"], capture_output=True, text=True, timeout=30).stdout
        self.assertEqual(queue.strip(), "")
        self.assertFalse(os.path.exists(self.pdf))
        self.run_client("", *LISTED, *select_all, "command", MAIN, ID.CMD_PRINT, "msgbox", "Zenth Mail", "10000", "yes",
                        *self.job_out(), *CLOSE_AND_EXIT)
        lines, pages = self.printed()
        self.assertEqual(lines, [
            "From (name): Ann Sender", "From (e-mail): ann@example.test", "To: bob@example.test", "Subject: First",
            "Sent: 2026-12-07 10:00:00 +0000", "Body one.",
            "From (name): Ann Sender", "From (e-mail): ann@example.test", "To: bob@example.test", "Subject: Third",
            "Sent: 2026-12-07 10:00:00 +0000", "Body three."])
        self.assertEqual(pages, 1)

    def test_a_long_message_takes_several_pages_and_keeps_its_script(self):
        body = "".join("Line %d: \u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440.\r\n" % n
                       for n in range(1, 121))
        self.write("maildir/inbox/mm1.eml", message(b"Long", body.encode("utf-8")))
        self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.CMD_PRINT,
                        *self.job_out(), *CLOSE_AND_EXIT)
        lines, pages = self.printed()
        # 45 lines a page of 12-point text: five header lines and 120 body lines.
        self.assertEqual(pages, 3)
        self.assertIn("Line 120: \u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440.", lines)
        self.assertEqual(len([l for l in lines if l.startswith("Line ")]), 120)

    def test_a_message_printed_from_its_send_window(self):
        self.write("accountdata.cfg", b"")
        out = self.run_client("", *LISTED, "command", MAIN, ID.IDC_NEW_EMAIL, "window", SEND, "10000", "settle", SEND,
                              "10000",
                              "set-text", SEND, ID.IDC_SEND_TO, "carol@example.test", "set-text", SEND,
                              ID.IDC_SEND_SUBJECT, "Composed",
                              "set-text", SEND, ID.IDC_SEND_EDITOR, "Written here.", "command", SEND, ID.SEND_PRINT,
                              *self.job_out(),
                              "close", SEND, "msgbox", "Zenth Mail", "10000", "yes", *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "EXIT"), ["0"])
        lines, _ = self.printed()
        self.assertIn("To: carol@example.test", lines)
        self.assertIn("Subject: Composed", lines)
        self.assertIn("Written here.", lines)
        self.assertEqual([n for n in os.listdir(self.path("temp")) if n.startswith("printer")], [])


class NoPrinter(unittest.TestCase):
    """A prefix that never had a printer, and no CUPS server."""

    def test_print_says_there_is_no_printer(self):
        home = tempfile.mkdtemp(prefix="zm-noprinter-")
        env = dict(os.environ, HOME=home, WINEPREFIX=os.path.join(home, "prefix"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", CUPS_SERVER=os.path.join(home, "none"))
        try:
            subprocess.run(["wine", "wineboot", "-i"], env=env, capture_output=True, timeout=300)
            folder = os.path.join(home, "client")
            os.makedirs(os.path.join(folder, "maildir", "inbox"))
            for name in ("zenthmail.exe", "zenth-picker.exe"):
                shutil.copy(os.path.join(DIST, name), folder)
            open(os.path.join(folder, "accountdata.cfg"), "wb").close()
            with open(os.path.join(folder, "maildir", "inbox", "mm1.eml"), "wb") as f:
                f.write(message(b"One", b"Body.\r\n"))
            out = finish(subprocess.Popen(
                ["wine", DRIVER, "start", winpath(os.path.join(folder, "zenthmail.exe")), "", *LISTED,
                 "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.CMD_PRINT, "msgbox", "Zenth Mail",
                 "15000",
                 *CLOSE_AND_EXIT], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace",
                env=env))
            self.assertEqual(values(out, "MSGBOX"), ["Could not find printer!"])
        finally:
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
