#!/usr/bin/env python3
"""Checks the include order of the libraries and prints what breaks it.

- A folder includes only itself and the folders below it:
  core <- format <- store <- transport <- client <- ui, and wingui on core
  alone. The windows (ui) are built on wingui; of the client's portable
  part only its *_win32 files reach it, for the window system's side of
  the settings.
  The companion programs (picker, profiles, setup, install) reach core,
  format and wingui only; the account manager also the transport, for the
  OAuth 2.0 sign-in of an account.
- Portable code (core, format, store, transport, client, outside *_win32
  files) never includes windows.h or another Windows header.
- No two files include each other, directly or through others: the modules
  (a header with its .cpp, _win32.cpp and _posix.cpp) form no circle.

Exits 1 when anything breaks the order, 0 otherwise.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

RANK = {"core": 0, "format": 1, "store": 2, "transport": 3, "client": 4, "ui": 5}
# What each folder outside the chain may include.
ALLOWED = {
    "wingui": {"core", "wingui"},
    "picker": {"core", "format", "wingui", "picker"},
    "profiles": {"core", "format", "transport", "wingui", "profiles"},
    "setup": {"core", "format", "wingui", "setup"},
    "install": {"core", "format", "wingui", "install"},
}
PORTABLE = ("core", "format", "store", "transport", "client")
WINDOWS_HEADERS = {
    "windows.h", "winsock.h", "winsock2.h", "ws2tcpip.h", "commctrl.h", "commdlg.h", "richedit.h",
    "shellapi.h", "shlobj.h", "mmsystem.h", "ras.h", "io.h", "objbase.h", "ole2.h", "winreg.h",
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def platform_file(path):
    return re.search(r"_win32\.(h|cpp)$", path) is not None


def allowed(folder, path):
    if folder in RANK:
        below = {f for f, r in RANK.items() if r <= RANK[folder]}
        # The client's windows are built on the window layer, and so is the
        # Windows side of the client's portable part.
        if folder == "ui" or (folder == "client" and platform_file(path)):
            return below | {"wingui"}
        return below
    return ALLOWED[folder]


def module_of(path):
    base = re.sub(r"\.(h|cpp)$", "", path)
    return re.sub(r"_(win32|posix)$", "", base)


def sources():
    for folder in sorted(set(RANK) | set(ALLOWED)):
        top = os.path.join(ROOT, folder)
        if not os.path.isdir(top):
            continue
        for directory, _, names in os.walk(top):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    full = os.path.join(directory, name)
                    yield folder, os.path.relpath(full, ROOT).replace(os.sep, "/")


def main():
    faults = []
    edges = {}
    for folder, path in sources():
        may = allowed(folder, path)
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, target = m.groups()
            where = f"{path}:{number}"
            if kind == "<":
                if (folder in PORTABLE and not platform_file(path)
                        and target.lower() in WINDOWS_HEADERS):
                    faults.append(f"{where}: portable code includes <{target}>")
                continue
            top = target.split("/")[0]
            if "/" in target and (top in RANK or top in ALLOWED) and top not in may:
                faults.append(f"{where}: {folder}/ includes {target}, which is not below it")
            if "/" in target and os.path.exists(os.path.join(ROOT, target)):
                a, b = module_of(path), module_of(target)
                if a != b:
                    edges.setdefault(a, set()).add(b)

    # Circles between modules, found as strongly connected components.
    index, low, stack, on_stack, circles = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                circles.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    for circle in circles:
        faults.append("include circle: " + " <-> ".join(circle))

    for fault in faults:
        print(f"check_includes: {fault}")
    if faults:
        print(f"check_includes: FAILED: {len(faults)} fault(s)")
        return 1
    print("check_includes: the include order holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
