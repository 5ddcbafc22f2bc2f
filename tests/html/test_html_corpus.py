"""The HTML to text converter on HTML made by real programs (html_corpus.py).

Every file converts without a crash or a hang. The native build's text is
held against w3m -dump where our rules agree: the ASCII letters and digits
in order, after taking out of the HTML, for the oracle and for us alike,
what we treat differently on purpose (OUR_WAY below). Under Wine
(ZM_HTML_TOOL names an .exe) the Windows build's text must instead be byte
for byte that of the native build (ZM_HTML_NATIVE).

Each oracle or source that is missing is skipped with a notice."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import html_corpus  # noqa: E402

# What we treat differently on purpose, each taken out of the HTML before
# both converters see it (or, for the oracle's own layout, given to the
# oracle only), with its reason.
OUR_WAY = [
    # The text view shows every character outside tags: the title, style
    # sheets and scripts are text to us and nothing to a browser.
    ("head, title, style and script contents",
     re.compile(r"<(head|title|style|script)\b.*?</\1\s*>", re.I | re.S), ""),
    # A comment ends for us at its first ">", for a browser at "-->".
    ("comments", re.compile(r"<!--.*?-->", re.S), ""),
    # We keep only the entities of our table; the oracle writes all of them.
    ("entities outside our table",
     re.compile(r"&(?!(?:lt|gt|amp|nbsp|quot|#60|#62|#38|#34);)[A-Za-z0-9#]+;"), ""),
    # Our table writes words for these three ("[Copyright]"), the oracle a sign.
    ("the copyright, registered and trademark entities",
     re.compile(r"&(?:copy|#169|reg|#174|trade|#153);"), ""),
    # An ampersand that begins no entity of ours takes letters up to the next
    # space or ";" with it; a browser keeps them.
    ("bare ampersands", re.compile(r"&(?!(?:lt|gt|amp|nbsp|quot|#60|#62|#38|#34);)"), "&amp;"),
    # A "<" that begins no tag reads to the next ">" for us.
    ("a < that begins no tag", re.compile(r"<(?![A-Za-z/!?])"), "&lt;"),
    # We drop images whole; the oracle writes their alternative text.
    ("images and their alternative text", re.compile(r"<img\b[^>]*>", re.I), ""),
    # Form controls are drawn by the oracle with their values; we drop them.
    ("form controls", re.compile(r"<(?:input|select|textarea|button)\b[^>]*>.*?(?:</(?:select|textarea|button)>)?",
                                 re.I | re.S), ""),
]
ORACLE_ONLY = [
    # The oracle numbers ordered lists; we write no numbers.
    ("list numbers", re.compile(r"<(/?)ol\b[^>]*>", re.I), r"<\1ul>"),
    # The oracle lays table cells side by side, so the lines of one cell
    # interleave with its neighbours'; we write cells in source order.
    ("table layout", re.compile(r"<(/?)(?:table|thead|tbody|tfoot|tr|td|th|caption)\b[^>]*>", re.I), r"<\1div>"),
]


def tool_command(tool, *args):
    if tool.lower().endswith(".exe"):
        return ["wine", tool, *args]
    return [tool, *args]


def convert_all(tool, pairs, timeout=600):
    """Converts every (source, target) pair in one run of the tool."""
    args = [str(p) for pair in pairs for p in pair]
    result = subprocess.run(tool_command(tool, *args), capture_output=True, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError("%s: exit %d: %s" % (tool, result.returncode, result.stderr.decode(errors="replace")))


def convert(tool, source, target):
    convert_all(tool, [(source, target)], timeout=60)
    return target.read_bytes()


def words(text):
    return b"".join(re.findall(rb"[A-Za-z0-9]+", text))


def first_difference(a, b):
    n = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
    return n, a[max(0, n - 40):n + 40], b[max(0, n - 40):n + 40]


def agreed(html):
    for _, pattern, replacement in OUR_WAY:
        html = pattern.sub(replacement, html)
    return html


def for_oracle(html):
    for _, pattern, replacement in ORACLE_ONLY:
        html = pattern.sub(replacement, html)
    return html


def main():
    tool = os.environ.get("ZM_HTML_TOOL")
    if not tool:
        print("ZM_HTML_TOOL is not set")
        return 1
    work = pathlib.Path(tempfile.mkdtemp(prefix="zm-html-corpus-"))
    failures = []
    try:
        files = html_corpus.collect(work / "in")
        if len(files) < 3:
            failures.append("only %d HTML files in the corpus" % len(files))
        (work / "out").mkdir()
        count = len(files)
        windows = tool.lower().endswith(".exe")
        native = os.environ.get("ZM_HTML_NATIVE")
        if windows and not (native and os.path.exists(native)):
            print("notice: no native build of zm_html_to_text (%s): the Windows texts are not compared" % native)
            native = None
        oracle = shutil.which("w3m")
        if not windows and not oracle:
            print("notice: w3m is not installed: the texts are not compared with an oracle")
        compared = 0
        if windows:
            # One start of each program for the whole corpus: under Wine a
            # process start costs more than converting a file.
            ours = [(f, work / "out" / (f.name + ".txt")) for f in files]
            try:
                convert_all(tool, ours)
                if native:
                    theirs = [(f, work / "out" / (f.name + ".native.txt")) for f in files]
                    convert_all(native, theirs)
                    for (source, mine), (_, other) in zip(ours, theirs):
                        a, b = mine.read_bytes(), other.read_bytes()
                        if a != b:
                            failures.append("%s: the Windows text differs from the native one at byte %d"
                                            % (source.name, first_difference(a, b)[0]))
            except subprocess.TimeoutExpired:
                failures.append("no result within the time limit")
            except AssertionError as error:
                failures.append(str(error))
            print("%d HTML files converted, %d compared with the native build" % (count, count if native else 0))
            files = []
        for source in files:
            try:
                convert(tool, source, work / "out" / (source.name + ".txt"))
                if not oracle:
                    continue
                html = agreed(source.read_bytes().decode("latin-1"))
                ours_in = work / "out" / (source.name + ".agreed.html")
                ours_in.write_bytes(html.encode("latin-1"))
                theirs_in = work / "out" / (source.name + ".oracle.html")
                theirs_in.write_bytes(for_oracle(html).encode("latin-1"))
                ours = convert(tool, ours_in, work / "out" / (source.name + ".agreed.txt"))
                theirs = subprocess.run(["w3m", "-dump", "-T", "text/html", "-cols", "10000", "-I", "ISO-8859-1",
                                         "-O", "ISO-8859-1", str(theirs_in)], capture_output=True, timeout=60).stdout
                compared += 1
                a, b = words(ours), words(theirs)
                if a != b:
                    at, mine, other = first_difference(a, b)
                    failures.append("%s: letters differ from w3m's at %d: ours %r, w3m %r" % (source.name, at, mine, other))
            except subprocess.TimeoutExpired:
                failures.append("%s: no result within the time limit" % source.name)
            except AssertionError as error:
                failures.append(str(error))
        if not windows:
            print("%d HTML files converted, %d compared with w3m" % (count, compared))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
