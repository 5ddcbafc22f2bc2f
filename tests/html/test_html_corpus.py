"""The HTML to text converter on HTML made by real programs and real mail
(html_corpus.py), held against w3m -dump and against the HTML standard's
reading of character references (Python's html module implements it).

Natively, for every file: the words of w3m's text are in ours (recall, one
file at a time), no word that only a style sheet, script, title or comment
holds is in ours, and every character reference of the corpus and every
name of the standard's list comes out as the standard reads it. Before the
oracle sees a file, what it does otherwise on purpose is taken out
(ORACLE_ONLY below). Under Wine (ZM_HTML_TOOL names an .exe) the Windows
build's texts must instead be byte for byte those of the native build
(ZM_HTML_NATIVE), in UTF-8 and in windows-1252.

Each oracle or source that is missing is skipped with a notice."""

import collections
import html
import html.entities
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import html_corpus  # noqa: E402

# Each file's recall of w3m's words may fall this far short of 1: w3m's
# own readings that a browser does not share (a reference without ";" at
# the end of a word, say) would otherwise fail the test.
LEAST_RECALL = 0.98

REFERENCE = re.compile(r"&(?:#[xX][0-9A-Fa-f]+|#[0-9]+|[A-Za-z][A-Za-z0-9]*);?")
# Characters a browser shows as nothing: C0 and C1 controls, the soft
# hyphen, the joiners and zero-width spaces, the byte-order mark.
INVISIBLE = re.compile("[\x00-\x08\x0b\x0e-\x1f\x7f-\x9f\u00ad\u034f\u200b-\u200d\u2060\ufeff]")


def shown(text):
    """A reference's characters as the text view shows them."""
    text = INVISIBLE.sub("", text).replace("\u00a0", " ")
    return re.sub(r"[\t\n\f\r ]+", " ", text)


def oracle_reference(match):
    # w3m reads fewer references than the standard: each is given to it as
    # the character it stands for, markup characters and blanks as names.
    text = html.unescape(match.group(0))
    text = INVISIBLE.sub("", text)
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\u00a0", "&nbsp;")


# What the oracle does otherwise on purpose, taken out of its copy of the
# HTML, with the reason.
ORACLE_ONLY = [
    # Scripts are not run, so a browser shows neither a noscript element
    # nor a template; w3m shows both.
    ("noscript and template contents", re.compile(r"<(noscript|template)\b.*?</\1\s*>", re.I | re.S), ""),
    # w3m writes an image's file name when it has no alternative text or an
    # empty one; a browser shows nothing.
    ("images without alternative text", re.compile(r"<img\b[^>]*>", re.I),
     lambda m: m.group(0) if ALT.search(m.group(0)) else ""),
    # Form controls are drawn by the oracle with their values.
    ("form controls", re.compile(r"<(select|textarea|button)\b.*?</\1\s*>|<input\b[^>]*>", re.I | re.S), ""),
    # The oracle numbers an ordered list of type "a" with letters, we with
    # digits.
    ("list numbering types", re.compile(r"(<ol\b[^>]*?)\s+type\s*=\s*[\"']?\w[\"']?", re.I), r"\1"),
    # The oracle lays table cells side by side, so the lines of one cell
    # interleave with its neighbours'; we write cells in source order.
    ("table layout", re.compile(r"<(/?)(?:table|thead|tbody|tfoot|tr|td|th|caption)\b[^>]*>", re.I), r"<\1div>"),
    ("references", REFERENCE, oracle_reference),
]
ALT = re.compile(r"\balt\s*=\s*(?:\"[^\"]*\w[^\"]*\"|'[^']*\w[^']*'|[^\s\"'>]+)", re.I)
HIDDEN = re.compile(r"<(style|script|title)\b[^>]*>(.*?)</\1\s*>|<!--(.*?)-->", re.I | re.S)


def tool_command(tool, *args):
    if tool.lower().endswith(".exe"):
        return ["wine", tool, *args]
    return [tool, *args]


def convert_all(tool, pairs, code_page=65001, timeout=600):
    """Converts every (source, target) pair in one run of the tool."""
    args = ["-c", str(code_page)] if code_page else []
    args += [str(p) for pair in pairs for p in pair]
    result = subprocess.run(tool_command(tool, *args), capture_output=True, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError("%s: exit %d: %s" % (tool, result.returncode, result.stderr.decode(errors="replace")))


def words(text):
    return re.findall(r"\w+", text)


def for_oracle(source):
    for _, pattern, replacement in ORACLE_ONLY:
        source = pattern.sub(replacement, source)
    return source


def w3m(path):
    return subprocess.run(["w3m", "-dump", "-T", "text/html", "-cols", "10000", "-I", "UTF-8", "-O", "UTF-8",
                           str(path)], capture_output=True, timeout=60).stdout.decode("utf-8", errors="replace")


def recall(ours, theirs):
    want = collections.Counter(words(theirs))
    have = collections.Counter(words(ours))
    total = sum(want.values())
    return 1.0 if total == 0 else sum(min(n, have[w]) for w, n in want.items()) / total


def references_document(files):
    """Every reference of the corpus and every name of the standard's list,
    one a paragraph, with what each must show as."""
    found = set()
    for f in files:
        found.update(REFERENCE.findall(f.read_text("utf-8", errors="replace")))
    found.update("&" + name for name in html.entities.html5)
    found.update(["&#0;", "&#128;", "&#x110000;", "&#xD800;", "&#0146;", "&#x00e9;", "&notit;", "&copy2026"])
    cases = sorted(found)
    source = "".join("<p>%d:%s|</p>\n" % (i, ref) for i, ref in enumerate(cases))
    expected = ["%d:%s|" % (i, shown(html.unescape(ref + "|")[:-1])) for i, ref in enumerate(cases)]
    return cases, source, expected


def references_right(tool, work, files, code_page=65001):
    """How many references come out right; the wrong ones."""
    cases, source, expected = references_document(files)
    html_path, text_path = work / "references.html", work / "references.txt"
    html_path.write_text(source, "utf-8")
    convert_all(tool, [(html_path, text_path)], code_page)
    lines = {}
    for line in text_path.read_bytes().decode("utf-8", errors="replace").split("\r\n"):
        number, _, _ = line.partition(":")
        if number.isdigit():
            lines[int(number)] = line.rstrip(" ")
    wrong = [(cases[i], lines.get(i), want) for i, want in enumerate(expected) if lines.get(i) != want]
    return len(cases) - len(wrong), len(cases), wrong


def compare_builds(tool, native, files, work, failures):
    for code_page in (65001, 1252):
        ours = [(f, work / "out" / ("%s.%d.txt" % (f.name, code_page))) for f in files]
        theirs = [(f, work / "out" / ("%s.%d.native.txt" % (f.name, code_page))) for f in files]
        convert_all(tool, ours, code_page)
        convert_all(native, theirs, code_page)
        for (source, mine), (_, other) in zip(ours, theirs):
            if mine.read_bytes() != other.read_bytes():
                failures.append("%s: the Windows text in code page %d differs from the native one"
                                % (source.name, code_page))


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
        windows = tool.lower().endswith(".exe")
        native = os.environ.get("ZM_HTML_NATIVE")
        if windows:
            if not (native and os.path.exists(native)):
                print("notice: no native build of zm_html_to_text (%s): the Windows texts are not compared" % native)
                return 0
            # One start of each program for the whole corpus: under Wine a
            # process start costs more than converting a file.
            _, source, _ = references_document(files)
            references = work / "in" / "references.html"
            references.write_text(source, "utf-8")
            compare_builds(tool, native, files + [references], work, failures)
            print("%d HTML files converted and compared with the native build" % (len(files) + 1))
            return report(failures)
        right, total, wrong = references_right(tool, work, files)
        print("references: %d of %d right" % (right, total))
        for ref, got, want in wrong[:20]:
            failures.append("reference %s: %r, not %r" % (ref, got, want))
        ours = [(f, work / "out" / (f.name + ".txt")) for f in files]
        convert_all(tool, ours)
        if not shutil.which("w3m"):
            print("notice: w3m is not installed: the texts are not compared with an oracle")
            return report(failures)
        recalls = []
        for source, target in ours:
            text = source.read_text("utf-8", errors="replace")
            mine = target.read_bytes().decode("utf-8", errors="replace")
            oracle_in = work / "out" / (source.name + ".oracle.html")
            oracle_in.write_text(for_oracle(text), "utf-8")
            theirs = w3m(oracle_in)
            r = recall(mine, theirs)
            recalls.append(r)
            if r < LEAST_RECALL:
                missing = collections.Counter(words(theirs)) - collections.Counter(words(mine))
                failures.append("%s: recall of w3m's words %.3f, missing %s" % (source.name, r, list(missing)[:10]))
            shown_words = set(words(theirs))
            hidden_words = set()
            for m in HIDDEN.finditer(text):
                hidden_words.update(words(m.group(2) or m.group(3) or ""))
            leaked = (hidden_words - shown_words) & set(words(mine))
            if leaked:
                failures.append("%s: text of a style sheet, script, title or comment shown: %s"
                                % (source.name, sorted(leaked)[:10]))
        print("%d HTML files compared with w3m: word recall median %.4f, lowest %.4f, %d files at 1.0"
              % (len(recalls), statistics.median(recalls), min(recalls), sum(1 for r in recalls if r == 1.0)))
    except subprocess.TimeoutExpired:
        failures.append("no result within the time limit")
    except AssertionError as error:
        failures.append(str(error))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return report(failures)


def report(failures):
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
