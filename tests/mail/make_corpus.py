#!/usr/bin/env python3
"""Regenerates the mail corpus of the MIME reader's tests.

Messages come from real mail programs (mpack, mutt in batch mode, Python's
email package) and a few written by hand where no program would write them
(broken structure, raw binary bodies). Every message is stored with CRLF line
ends, as a POP3 server hands it over and as the client keeps it. The script
writes:

  originals/        the files that were attached, as they were sent
  messages/*.eml    the messages
  expected/         the decoded text part chosen with text first (.plain)
                    and with HTML first (.html), decoded by Python's email
                    package, an implementation independent of ours
  manifest.txt      one line per message, TAB separated:
                    name, type chosen text first, type chosen HTML first
                    ("-" for none), and the attachments as name=file pairs
                    separated by spaces ("-" for none); file is a path below
                    this folder, or "?" where only the name is checked

Needs: mpack, mutt, python3. Run from anywhere; the output replaces what is
there. Dates and message ids differ between runs, nothing else does.
"""
import email
import email.policy
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zlib
import struct
from email.message import EmailMessage

HERE = os.path.dirname(os.path.abspath(__file__))
ORIGINALS = os.path.join(HERE, "originals")
MESSAGES = os.path.join(HERE, "messages")
EXPECTED = os.path.join(HERE, "expected")


def crlf(data):
    return re.sub(rb"(?<!\r)\n", b"\r\n", data)


def png(width, height, rgb):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def write_originals():
    files = {
        "dot.png": png(4, 4, (200, 0, 0)),
        # Every byte value, zero runs, and line-end bytes standing alone.
        "data.bin": bytes(range(256)) * 3 + b"\0" * 40 + b"\r\r\n\n\r--\0" + bytes(range(255, -1, -1)),
        # Text is sent with CRLF line ends: that is what arrives.
        "notes.txt": "Notes\r\nGrüße, naïve café\r\nlast line without end".encode("utf-8"),
        "page.html": b"<html><body><h1>Page</h1><p>attached page</p></body></html>\r\n",
        # No CR or LF byte: Python's quoted-printable encoder would take
        # them for line ends.
        "noline.bin": bytes(b for b in range(256) if b not in (10, 13)) + b"\0\0\0=",
    }
    os.makedirs(ORIGINALS, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(ORIGINALS, name), "wb") as f:
            f.write(data)
    return files


BODY = "Grüße aus Zürich\nsecond line\n"


def run_mpack(work, out, subject, attachment, description=None):
    args = ["mpack", "-s", subject, "-o", out]
    if description:
        args += ["-d", description]
    subprocess.run(args + [attachment], check=True, cwd=work)
    with open(out, "rb") as f:
        return f.read()


def run_mutt(work, subject, attachments, settings=""):
    out = os.path.join(work, "mutt.out")
    capture = os.path.join(work, "capture.sh")
    with open(capture, "w") as f:
        f.write('#!/bin/sh\ncat > "$MUTT_OUT"\n')
    os.chmod(capture, 0o755)
    tohtml = os.path.join(work, "tohtml.sh")
    with open(tohtml, "w") as f:
        f.write("#!/bin/sh\nprintf 'text/html\\n\\n<html><body><pre>'\ncat\nprintf '</pre></body></html>\\n'\n")
    os.chmod(tohtml, 0o755)
    config = ('set sendmail="%s"; set from="Ann <ann@example.org>"; set charset="utf-8"; '
              'set send_charset="utf-8"; set record=""; set hostname=example.org%s'
              % (capture, "; " + settings.replace("TOHTML", tohtml) if settings else ""))
    args = ["mutt", "-F", "/dev/null", "-n", "-e", config, "-s", subject]
    if attachments:
        args += ["-a"] + attachments
    args += ["--", "bob@example.org"]
    env = dict(os.environ, HOME=work, MUTT_OUT=out)
    subprocess.run(args, input=BODY.encode("utf-8"), check=True, cwd=work, env=env)
    with open(out, "rb") as f:
        return f.read()


def python_message():
    m = EmailMessage(policy=email.policy.SMTP)
    m["From"] = "Ann <ann@example.org>"
    m["To"] = "bob@example.org"
    m["Subject"] = "Python"
    return m


def python_messages(files):
    out = {}
    m = python_message()
    m.set_content(BODY)
    m.add_alternative("<p>Grüße aus Zürich</p>\n", subtype="html")
    out["py_alternative"] = m.as_bytes()

    m = python_message()
    m.set_content(BODY)
    m.add_alternative('<p>See <img src="cid:dot"></p>\n', subtype="html")
    m.get_payload()[1].add_related(files["dot.png"], "image", "png", cid="<dot>")
    m.add_attachment(files["data.bin"], "application", "octet-stream", filename="data.bin")
    m.add_attachment(files["page.html"].decode(), subtype="html", filename="page.html")
    out["py_nested"] = m.as_bytes()

    m = python_message()
    m.set_content(BODY, cte="base64")
    out["py_base64_text"] = m.as_bytes()

    m = python_message()
    m.set_content("Café crème, déjà vu\n", charset="iso-8859-1", cte="quoted-printable")
    out["py_qp_latin1"] = m.as_bytes()

    m = python_message()
    m.set_content("<html><body><b>only html</b></body></html>\n", subtype="html")
    out["py_html_only"] = m.as_bytes()

    m = python_message()
    m.set_content("with a quoted-printable attachment\n")
    m.add_attachment(files["noline.bin"], "application", "octet-stream", cte="quoted-printable",
                     filename="noline.bin")
    m.add_attachment(files["notes.txt"], "text", "plain", filename="notes.txt", cte="quoted-printable")
    out["py_qp_attachments"] = m.as_bytes()
    return out


def hand_messages(files):
    out = {}
    b64 = lambda data: re.sub(rb"(.{76})", rb"\1\r\n", __import__("base64").b64encode(data)) + b"\r\n"
    # Raw 8bit and binary bodies: every byte as it is, no line-end fixing.
    out["hand_binary"] = (
        b"From: a@example.org\r\nSubject: binary\r\nMIME-Version: 1.0\r\n"
        b"Content-Type: multipart/mixed; boundary=\"=_raw_=\"\r\n\r\n"
        b"--=_raw_=\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        b"caf\xe9\r\n"
        b"--=_raw_=\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: binary\r\n"
        b"Content-Disposition: attachment; filename=\"data.bin\"\r\n\r\n" + files["data.bin"] +
        b"\r\n--=_raw_=--\r\n")
    # No MIME header at all, and no header end at all.
    out["hand_no_mime"] = b"From: a@example.org\r\nSubject: plain\r\n\r\nJust text.\r\n"
    out["hand_no_header_end"] = b"From: a@example.org\r\nSubject: nothing\r\nJust text, no blank line.\r\n"
    # Boundaries of every allowed character, quoted, 70 long, and a
    # parameter name in capitals.
    odd = "'()+_,-./:=? 0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
    assert len(odd) == 70
    out["hand_odd_boundary"] = (
        ("Subject: odd\r\nContent-Type: MULTIPART/MIXED;\r\n\tBOUNDARY=\"%s\"\r\n\r\n"
         "--%s\r\nContent-Type: text/plain\r\n\r\nodd boundary text\r\n"
         "--%s\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: BASE64\r\n"
         "Content-Disposition: ATTACHMENT; FILENAME=\"dot.png\"\r\n\r\n" % (odd, odd, odd)).encode()
        + b64(files["dot.png"]) + ("--%s--\r\n" % odd).encode())
    # Cut short: the last attachment has no closing delimiter.
    out["hand_missing_close"] = (
        b"Subject: cut\r\nContent-Type: multipart/mixed; boundary=cut\r\n\r\n"
        b"--cut\r\nContent-Type: text/plain\r\n\r\nthe text\r\n"
        b"--cut\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
        b"Content-Disposition: attachment; filename=dot.png\r\n\r\n" + b64(files["dot.png"]))
    # A boundary that never appears.
    out["hand_boundary_never"] = (
        b"Subject: never\r\nContent-Type: multipart/mixed; boundary=never\r\n\r\n"
        b"--other\r\nContent-Type: text/plain\r\n\r\nnot reachable\r\n--other--\r\n")
    return out


def first_part(message, kind):
    for part in message.walk():
        if part.get_content_type() == kind and not part.is_multipart():
            return part
    return None


def choose(message, first, second):
    # A part with no header lines is a false value: compare with None.
    part = first_part(message, first)
    if part is None:
        part = first_part(message, second)
    if part is None:
        return "-", None
    return part.get_content_type(), part.get_payload(decode=True)


def main():
    for tool in ("mpack", "mutt"):
        if not shutil.which(tool):
            sys.exit("make_corpus.py needs %s (apt-get install %s)" % (tool, tool))
    for folder in (MESSAGES, EXPECTED):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    files = write_originals()
    messages = {}
    with tempfile.TemporaryDirectory() as work:
        for name, data in files.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        with open(os.path.join(work, "description.txt"), "w") as f:
            f.write("A red dot, as a picture.\n")
        messages["mpack_png"] = run_mpack(work, os.path.join(work, "a.eml"), "Red dot", "dot.png")
        messages["mpack_described"] = run_mpack(work, os.path.join(work, "b.eml"), "Data", "data.bin",
                                                "description.txt")
        messages["mutt_8bit"] = run_mutt(work, "Plain", [])
        messages["mutt_attachments"] = run_mutt(work, "Attached", ["data.bin", "notes.txt", "dot.png"])
        messages["mutt_qp_alternative"] = run_mutt(
            work, "Alternative", ["page.html"],
            "set allow_8bit=no; set send_multipart_alternative=yes; "
            "set send_multipart_alternative_filter=\"TOHTML\"")
        messages["mutt_html"] = run_mutt(work, "Html", [], "set content_type=text/html")
    messages.update(python_messages(files))
    raw = hand_messages(files)

    # Attachments as the reader lists them: the parts of the outermost
    # level whose disposition begins with "attachment" or "inline".
    attachments = {
        "mpack_png": "dot.png=originals/dot.png",
        "mpack_described": "data.bin=originals/data.bin",
        # mutt marks even a single-part body "inline": the body is listed.
        "mutt_8bit": "inline.txt=expected/mutt_8bit.plain",
        "mutt_attachments": "inline.txt=expected/mutt_attachments.plain data.bin=originals/data.bin "
                            "notes.txt=originals/notes.txt dot.png=originals/dot.png",
        "mutt_qp_alternative": "inline.txt=? page.html=originals/page.html",
        "mutt_html": "inline.html=expected/mutt_html.html",
        "py_alternative": "-",
        "py_nested": "data.bin=originals/data.bin page.html=originals/page.html",
        "py_base64_text": "-",
        "py_qp_latin1": "-",
        "py_html_only": "-",
        "py_qp_attachments": "noline.bin=originals/noline.bin notes.txt=originals/notes.txt",
        "hand_binary": "data.bin=originals/data.bin",
        "hand_no_mime": "-",
        "hand_no_header_end": "-",
        "hand_odd_boundary": "dot.png=originals/dot.png",
        "hand_missing_close": "dot.png=originals/dot.png",
        "hand_boundary_never": "-",
    }
    lines = []
    for name in attachments:
        data = raw[name] if name in raw else crlf(messages[name])
        with open(os.path.join(MESSAGES, name + ".eml"), "wb") as f:
            f.write(data)
        parsed = email.message_from_bytes(data, policy=email.policy.compat32)
        if name in ("hand_no_header_end", "hand_boundary_never"):
            plain = html = ("-", None)  # nothing our reader can reach
        else:
            plain = choose(parsed, "text/plain", "text/html")
            html = choose(parsed, "text/html", "text/plain")
        for suffix, (kind, payload) in ((".plain", plain), (".html", html)):
            if payload is not None:
                with open(os.path.join(EXPECTED, name + suffix), "wb") as f:
                    f.write(payload)
        # Python's reading of each named attachment must agree with the file
        # the manifest promises, or the expectation itself is wrong.
        for pair in attachments[name].split() if attachments[name] != "-" else []:
            part_name, expected = pair.split("=")
            if expected == "?" or part_name.startswith(("inline.", "unknown.")):
                continue
            found = [p for p in parsed.walk() if p.get_filename() == part_name]
            with open(os.path.join(HERE, expected), "rb") as f:
                wanted = f.read()
            if not found or found[0].get_payload(decode=True) != wanted:
                sys.exit("%s: %s does not decode to %s" % (name, part_name, expected))
        lines.append("\t".join([name, plain[0], html[0], attachments[name]]))
    with open(os.path.join(HERE, "manifest.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
