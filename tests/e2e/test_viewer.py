"""The message viewer in the real client: messages shown as text in the
preview (plain, UTF-8, Latin-9, 2 MB), HTML falling back to text with
nothing fetched from the network, the HTML notice and question, Details,
"Mail Message" windows, and the attachments line."""

import os
import socket
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from zmharness import ClientTest, ID, values, winpath  # noqa: E402

MAIN = "Zenth Mail"
CLOSE_AND_EXIT = ["command", MAIN, ID.CMD_EXIT, "wait-exit", "5000"]
LISTED = ["window", MAIN, "15000", "wait-log", "Displayed messages in", "15000"]
# A message put into the pane.
SHOWN = ["wait-log", "Showed message in", "15000"]
PANE = ID.IDC_PREVIEW


def message(subject, body, headers=b"", content_type=b"text/plain; charset=us-ascii", unread=True):
    return ((b"X-ZMRead: FALSE\r\n" if unread else b"") +
            b"From: \"Ann Sender\" <ann@example.test>\r\nTo: me@example.test\r\nSubject: " + subject +
            b"\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n" + headers +
            b"MIME-Version: 1.0\r\nContent-Type: " + content_type + b"\r\n\r\n" + body)


def pane_text(out, index=0):
    """The pane's text of the index-th text-utf8 step, as Python text."""
    return bytes.fromhex(values(out, "UTF8")[index]).decode("utf-8")


def show(row, command, then=SHOWN):
    """A click on the row (the only one selected), then the command."""
    return ["click-row", MAIN, ID.IDC_MESSAGE_LIST, str(row), "left", "command", MAIN, command, *then]


class Listener:
    """A loopback HTTP port that counts the connections it is offered: the
    HTML messages point their images, style sheet, frame and pixel at it."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.connections = 0
        self.running = True
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while self.running:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                continue
            self.connections += 1
            conn.close()

    def stop(self):
        self.running = False
        self.thread.join()
        self.sock.close()


def remote_html(port):
    url = ("http://127.0.0.1:%d" % port).encode()
    return (b"<html><head><link rel=\"stylesheet\" href=\"" + url + b"/style.css\"></head><body>"
            b"<p>Remote <b>parts</b> here.</p><img src=\"" + url + b"/image.png\">"
            b"<iframe src=\"" + url + b"/frame.html\"></iframe>"
            b"<img width=1 height=1 src=\"" + url + b"/pixel.gif\"></body></html>\r\n")


CYRILLIC = "Привет, мир. Ελληνικά. 日本語のテキスト."


class Viewer(ClientTest):
    def log(self):
        try:
            return self.read("zmlog.txt").decode("latin-1")
        except FileNotFoundError:
            return ""

    def test_show_text_plain_and_read_state(self):
        self.write("maildir/inbox/mm1.eml", message(b"Plain one", b"Hello there.\r\nSecond line.\r\n"))
        out = self.run_client("", *LISTED, *show(0, ID.CMD_SHOW_TEXT), "text-utf8", MAIN, PANE, "text", MAIN,
                              ID.IDC_ATTACHMENTS,
                              *CLOSE_AND_EXIT)
        self.assertEqual(pane_text(out), "Hello there.\r\nSecond line.\r\n")
        # Shown, so read: the file lost its unread line, the mirror says read.
        self.assertNotIn(b"X-ZMRead", self.read("maildir/inbox/mm1.eml"))
        self.assertEqual(values(out, "TEXT"), [""])

    def test_double_click_utf8_latin9_and_a_large_message(self):
        self.write("maildir/inbox/mm1.eml", message(b"Utf", CYRILLIC.encode("utf-8") + b"\r\n",
                                                    content_type=b"text/plain; charset=utf-8"))
        self.write("maildir/inbox/mm2.eml", message(b"Latin", b"Price: 5 \xa4, caf\xe9.\r\n",
                                                    content_type=b"text/plain; charset=iso-8859-15"))
        line = b"0123456789" * 10 + b"\r\n"
        self.write("maildir/inbox/mm3.eml", message(b"Large", line * 20000))
        out = self.run_client("", *LISTED, "click-row", MAIN, ID.IDC_MESSAGE_LIST, "0", "double", *SHOWN,
                              "text-utf8", MAIN, PANE,
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "1", "double", *SHOWN, "text-utf8", MAIN, PANE,
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "2", "double", *SHOWN, "text-utf8", MAIN, PANE,
                              *CLOSE_AND_EXIT)
        self.assertEqual(pane_text(out, 0), CYRILLIC + "\r\n")
        # Latin-9: 0xA4 is the euro sign there (the generic currency sign in
        # Latin 1), and the charset is known, so nothing is logged.
        self.assertEqual(pane_text(out, 1), "Price: 5 \u20ac, caf\xe9.\r\n")
        self.assertNotIn("unknown charset", self.log())
        # 2 MB whole, not cut at the pane's first limit.
        self.assertEqual(int(values(out, "LENGTH")[2]), len(line) * 20000)
        for name in ("mm1.eml", "mm2.eml", "mm3.eml"):
            self.assertFalse(self.read("maildir/inbox/" + name).startswith(b"X-ZMRead"), name)

    def test_html_falls_back_to_text_and_fetches_nothing(self):
        listener = Listener()
        try:
            html = remote_html(listener.port)
            self.write("maildir/inbox/mm1.eml", message(b"Html only", html, content_type=b"text/html"))
            alternative = (b"--b1\r\nContent-Type: text/plain\r\n\r\nThe plain side.\r\n"
                           b"--b1\r\nContent-Type: text/html\r\n\r\n" + html + b"--b1--\r\n")
            self.write("maildir/inbox/mm2.eml", message(b"Alternative", alternative,
                                                        content_type=b"multipart/alternative; boundary=b1"))
            # Multi-part HTML on (the whole message to the browser), then off.
            for flags in (b"4163", b"6211"):
                self.write("zenth.cfg", flags + b"\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
                # The HTML falls back to text after it is shown.
                converted = ["wait-shows", MAIN, PANE, "Remote", "15000"]
                out = self.run_client("", *LISTED, *show(0, ID.CMD_SHOW_HTML, converted), "text-utf8", MAIN, PANE,
                                      *show(1, ID.CMD_SHOW_HTML, converted), "text-utf8", MAIN, PANE,
                                      *show(1, ID.CMD_SHOW_TEXT, ["wait-shows", MAIN, PANE, "The plain side.",
                                                                  "15000"]),
                                      "text-utf8", MAIN, PANE, *CLOSE_AND_EXIT)
                self.assertEqual(values(out, "EXIT"), ["0"])
                # The HTML converted as for "Never show HTML" (bold in brackets).
                self.assertEqual(pane_text(out, 0).strip(), "Remote [parts] here.")
                self.assertEqual(pane_text(out, 1).strip(), "Remote [parts] here.")
                self.assertEqual(pane_text(out, 2), "The plain side.")
        finally:
            listener.stop()
        self.assertEqual(listener.connections, 0)

    def test_show_html_notice_and_question(self):
        self.write("maildir/inbox/mm1.eml", message(b"Html", b"<p>Some <i>html</i>.</p>\r\n",
                                                    content_type=b"text/html"))
        # Bit 0x4: the notice, nothing shown, the message stays unread.
        self.write("zenth.cfg", b"4167\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        out = self.run_client("", *LISTED, *show(0, ID.CMD_SHOW_HTML, then=[]),
                              "wait-text", MAIN, ID.IDC_STATUS, "The show html option has been disabled.", "5000",
                              "text-utf8", MAIN, PANE, *CLOSE_AND_EXIT)
        self.assertEqual(pane_text(out), "")
        self.assertTrue(self.read("maildir/inbox/mm1.eml").startswith(b"X-ZMRead: FALSE\r\n"))
        # Bit 0x100 with "Always show HTML": the question, No shows text.
        self.write("zenth.cfg", b"5443\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN,
                              ID.CMD_SHOW_HTML,
                              "msgbox", "Zenth Mail", "10000", "no", *SHOWN,
                              "text-utf8", MAIN, PANE, *CLOSE_AND_EXIT)
        self.assertIn("Zenth Mail is about to show an HTML message. Continue?", "\n".join(out))
        self.assertEqual(pane_text(out).strip(), "Some {html}.")

    def test_details(self):
        full = message(b"With everything", b"Body.\r\n", unread=False,
                       headers=b"X-Mailer: Test Mailer 2.1\r\n"
                               b"Received: from a.example.test ([10.0.0.1]) by b\r\n"
                               b"Received: from c.example.test (c [192.0.2.7]) by d\r\n")
        full = b"X-ReceivedDate: Tue, 8 Dec 2026 09:15:00 +0100\r\n" + full
        self.write("maildir/inbox/mm1.eml", full)
        bare = message(b"Bare", b"Body.\r\n", unread=False, headers=b"Received: from x ([\r\n")
        self.write("maildir/inbox/mm2.eml", bare)
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN,
                              ID.CMD_DETAILS,
                              "wait-shows", MAIN, PANE, "List Position: 1", "10000",
                              "text-utf8", MAIN, PANE,
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "1", "left", "command", MAIN, ID.CMD_DETAILS,
                              "wait-shows", MAIN, PANE, "List Position: 2", "10000",
                              "text-utf8", MAIN, PANE, *CLOSE_AND_EXIT)
        self.assertEqual(pane_text(out, 0),
                         "File: maildir\\inbox\\mm1.eml\r\nList Position: 1\r\nSize: %d bytes\r\n"
                         "To: me@example.test\r\nFrom(name): Ann Sender\r\nFrom(e-mail): ann@example.test\r\n"
                         "Subject: With everything\r\nSent: 2026-12-07 10:00:00 +0000\r\n"
                         "Received: 2026-12-08 09:15:00 +0100\r\nZM-Encrypted: No\r\n"
                         "Mailer: Test Mailer 2.1\r\nApparent Originating IP: 192.0.2.7\r\n" % len(full))
        second = pane_text(out, 1)
        self.assertIn("List Position: 2\r\n", second)
        self.assertIn("Received: unknown\r\n", second)
        self.assertIn("Mailer: Unknown\r\n", second)
        self.assertIn("Apparent Originating IP: Unknown\r\n", second)

    def test_view_windows_with_the_header_block(self):
        self.write("maildir/inbox/mm1.eml", message(b"First", b"One.\r\n"))
        self.write("maildir/inbox/mm2.eml", message(b"Second", CYRILLIC.encode("utf-8") + b"\r\n",
                                                    content_type=b"text/plain; charset=utf-8"))
        out = self.run_client("", *LISTED, "list-select", MAIN, ID.IDC_MESSAGE_LIST, "0", "command", MAIN, ID.IDC_VIEW,
                              "window", "Mail Message", "10000", "settle", "Mail Message", "10000",
                              "text-utf8", "Mail Message", PANE,
                              "rect", "Mail Message",
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "1", "left", "command", MAIN, ID.IDC_VIEW,
                              "wait-count", "Mail Message", "2", "10000",
                              "window-count", "Mail Message",
                              "close", "Mail Message", "wait-count", "Mail Message", "1", "10000", "window-count", "Mail Message",
                              "close", "Mail Message", "wait-count", "Mail Message", "0", "10000",
                              "window-count", "Mail Message",
                              *CLOSE_AND_EXIT)
        self.assertEqual(pane_text(out),
                         "From: \"Ann Sender\" <ann@example.test>\r\nTo: me@example.test\r\n"
                         "Sent: 2026-12-07 10:00:00 +0000\r\nSubject: First\r\n\r\nOne.\r\n")
        self.assertIn("zoomed=1", values(out, "RECT")[0])
        self.assertEqual(values(out, "WINDOWS"), ["2", "1", "0"])
        # A "Mail Message" window does not mark the message read.
        self.assertTrue(self.read("maildir/inbox/mm1.eml").startswith(b"X-ZMRead: FALSE"))

    def test_attachment_names_and_a_forced_display_clears_them(self):
        mixed = (b"--b2\r\nContent-Type: text/plain\r\n\r\nSee attached.\r\n"
                 b"--b2\r\nContent-Type: application/octet-stream\r\n"
                 b"Content-Disposition: attachment; filename=\"my notes.txt\"\r\n"
                 b"Content-Transfer-Encoding: base64\r\n\r\nTm90ZXMgaW5zaWRlLg==\r\n"
                 b"--b2\r\nContent-Type: application/octet-stream\r\n"
                 b"Content-Disposition: attachment; filename=\"b.dat\"\r\n\r\nBee.\r\n--b2--\r\n")
        self.write("maildir/inbox/mm1.eml", message(b"With files", mixed,
                                                    content_type=b"multipart/mixed; boundary=b2"))
        self.write("maildir/inbox/mm2.eml", message(b"No files", b"Nothing here.\r\n"))
        saved = os.path.join(self.folder, "saved notes.txt")
        out = self.run_client("", "any-process", *LISTED, "click-row", MAIN, ID.IDC_MESSAGE_LIST, "0", "double",
                              "wait-text", MAIN, ID.IDC_ATTACHMENTS, "b.dat", "10000",
                              # The caret on the first name (EM_SETSEL 0, 0), then "Save" and "Open".
                              "send-message", MAIN, ID.IDC_ATTACHMENTS, "177", "command", MAIN, ID.CMD_SAVE_ATTACHMENT,
                              "file-name", "Save Attachment", winpath(saved), "no-window", "Save Attachment", "10000",
                              "settle", MAIN, "5000", "command", MAIN, ID.CMD_OPEN_ATTACHMENT,
                              "wait-file", winpath(self.path("temp", "my_notes.txt")), "Notes inside.", "10000",
                              "kill-process", "notepad.exe",
                              "click-row", MAIN, ID.IDC_MESSAGE_LIST, "1", "left", "command", MAIN, ID.CMD_SHOW_TEXT,
                              *SHOWN,
                              "text", MAIN, ID.IDC_ATTACHMENTS, *CLOSE_AND_EXIT)
        self.assertEqual(values(out, "TEXT")[-1], "")
        self.assertIn("my_notes.txt  b.dat  ", values(out, "TEXT")[0])
        with open(saved, "rb") as f:
            self.assertEqual(f.read(), b"Notes inside.")
        # "Open" hands the shell a copy under the attachment's own name.
        self.assertEqual(self.read("temp/my_notes.txt"), b"Notes inside.")
        # The first name's file holds the attachment decoded.
        extracted = [n for n in os.listdir(self.path("temp")) if n.endswith("exatt1.dat")]
        self.assertEqual([self.read(os.path.join("temp", n)) for n in extracted], [b"Notes inside."])


if __name__ == "__main__":
    unittest.main()
