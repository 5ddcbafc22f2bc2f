"""HTML made by real programs, and the HTML parts of real messages, for the
HTML to text converter's corpus test and its benchmark.

Sources, each skipped with a notice when its program is missing: pandoc,
rst2html (python3-docutils), makeinfo --html (texinfo), txt2html and cmark on
texts of this repository; the HTML mails of tests/mail; the newsletters,
office mails and replies of the fuzz target's seed corpus; and the HTML parts
of the public message corpus (../shared/corpus beside the repository, or
$ZM_CORPUS). Every file is written as UTF-8 (an HTML part read in its
charset), so that the converters compared see the same characters."""

import email
import email.policy
import os
import pathlib
import shutil
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]

TEXINFO = """\\input texinfo
@setfilename sample.info
@settitle Sample
@node Top
@top Sample manual

This manual has @strong{bold} words, @emph{emphasis}, a list and a table.

@itemize @bullet
@item First item of 2026
@item Second item
@end itemize

@enumerate
@item One
@item Two
@end enumerate

@multitable @columnfractions .5 .5
@headitem Name @tab Value
@item alpha @tab 1
@item beta @tab 2
@end multitable

@example
code example line
@end example
@bye
"""


def notice(text):
    print("notice: " + text, flush=True)


def corpus_root():
    path = os.environ.get("ZM_CORPUS")
    if path:
        return pathlib.Path(path)
    return ROOT.parent / "shared" / "corpus"


def _run(command, **kw):
    return subprocess.run(command, capture_output=True, timeout=120, **kw)


def generated(folder):
    """HTML written by document converters into the folder; the paths."""
    texts = [ROOT / "README.md", ROOT / "STANDARDS.md", pathlib.Path("/work/shared/GUIDE.md")]
    texts = [t for t in texts if t.exists()]
    made = []

    def tool(name, command_for):
        if not shutil.which(name):
            notice("%s is not installed: its HTML is not in the corpus" % name)
            return
        for text in texts:
            out = folder / ("%s_%s.html" % (name, text.stem))
            result = _run(command_for(text, out))
            if result.returncode == 0 and out.exists() and out.stat().st_size > 0:
                made.append(out)

    tool("pandoc", lambda t, o: ["pandoc", "-s", "--metadata", "title=" + t.stem, str(t), "-o", str(o)])
    tool("rst2html", lambda t, o: ["rst2html", "--report=5", str(t), str(o)])
    tool("txt2html", lambda t, o: ["txt2html", "--infile", str(t), "--outfile", str(o)])
    tool("cmark", lambda t, o: ["sh", "-c", 'cmark "$1" > "$2"', "cmark", str(t), str(o)])
    if shutil.which("makeinfo"):
        source = folder / "sample.texi"
        source.write_text(TEXINFO)
        out = folder / "makeinfo_sample.html"
        if _run(["makeinfo", "--html", "--no-split", str(source), "-o", str(out)]).returncode == 0:
            made.append(out)
    else:
        notice("makeinfo is not installed: its HTML is not in the corpus")
    return made


def html_parts(message_bytes):
    """The text/html parts of a message, decoded and as UTF-8."""
    try:
        message = email.message_from_bytes(message_bytes, policy=email.policy.compat32)
    except Exception:
        return []
    parts = []
    for part in message.walk():
        if part.get_content_type() == "text/html":
            body = part.get_payload(decode=True)
            if body:
                charset = part.get_content_charset() or "windows-1252"
                try:
                    text = body.decode(charset, errors="replace")
                except LookupError:
                    text = body.decode("windows-1252", errors="replace")
                parts.append(text.encode("utf-8"))
    return parts


def from_messages(folder):
    made = []
    mail = ROOT / "tests" / "mail"
    sources = sorted((mail / "messages").glob("*.eml"))
    root = corpus_root()
    if root.exists():
        sources += sorted(root.rglob("*.eml"))
    else:
        notice("no message corpus at %s: its HTML parts are not in the corpus" % root)
    for source in sources:
        for i, body in enumerate(html_parts(source.read_bytes())):
            out = folder / ("mail_%s_%s_%d.html" % (source.parent.name, source.stem, i))
            out.write_bytes(body)
            made.append(out)
    for page in sorted((mail / "originals").glob("*.html")):
        out = folder / ("mail_original_" + page.name)
        shutil.copyfile(page, out)
        made.append(out)
    for seed in sorted((ROOT / "fuzz" / "corpus" / "html_to_text").glob("*")):
        if seed.stat().st_size > 500:
            out = folder / ("seed_%s.html" % seed.name)
            shutil.copyfile(seed, out)
            made.append(out)
    return made


def collect(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    return generated(folder) + from_messages(folder)


if __name__ == "__main__":
    # html_corpus.py <folder>: writes the corpus there, one path a line on stdout.
    import sys

    for path in collect(sys.argv[1]):
        print(path)
