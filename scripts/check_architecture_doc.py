#!/usr/bin/env python3
"""Every path and code name that docs/ARCHITECTURE.md puts in backticks exists.

- A path (it has a '/' or a file ending) must be a tracked file or folder,
  written whole or as the tail of one (`ops/session_run.cpp`); `intel_hex.*`
  stands for any ending.
- A code name (`BoxSession::download`, `downloadDataOf`) must occur as a word
  in the tracked sources; each part of a `A::b` name must.
- A name followed by a file in parentheses, "`runVerify` (`ops/x.cpp`)",
  must occur in that file: the doc says where it lives.
- An option (`--port`) must be one a program declares: it occurs in a
  string literal of a source under apps/ (`"--port"`, `"-q,--quiet"`).
Texts with a blank (commands such as `plx71 download PROJECT`) and file
endings (`.pxp`) are not checked. Exits 1 with one line per fault.
"""
import fnmatch
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DOC = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "docs" / "ARCHITECTURE.md"
SOURCE_ENDINGS = (".cpp", ".hpp", ".h", ".txt", ".cmake")
FILE_ENDINGS = SOURCE_ENDINGS + (".md", ".json", ".tbl", ".sh", ".py", ".in")
NAME = r"[A-Za-z_][\w:]*(?:\.\w+)*"
OPTION = re.compile(r"--[a-z][a-z0-9-]*")
STRING_LITERAL = re.compile(r'"(?:[^"\\\n]|\\.)*"')
# "`A` (`path`)" and "`A` and `B` (`path`)": the names live in that file.
PLACED = re.compile(r"((?:`" + NAME + r"`(?:,? and |, )?)+) \(`([^`\s]+)`\)")


def tracked():
    out = subprocess.run(["git", "ls-files"], cwd=ROOT, check=True, capture_output=True, text=True).stdout
    return out.split()


def matching_paths(token, files, folders):
    token = token.rstrip("/")
    if "*" in token:
        return [f for f in files if fnmatch.fnmatch(f, "*" + token) or fnmatch.fnmatch(f, token)]
    return [p for p in files + sorted(folders) if p == token or p.endswith("/" + token)]


def is_path(token):
    return "/" in token or token.endswith(FILE_ENDINGS) or token.endswith(".*")


def main():
    files = tracked()
    folders = {str(pathlib.PurePosixPath(f).parent) for f in files}
    folders |= {str(p) for f in files for p in pathlib.PurePosixPath(f).parents}
    sources = [f for f in files if f.endswith(SOURCE_ENDINGS)]
    words = set()
    texts = {}
    for f in sources:
        text = (ROOT / f).read_text(encoding="utf-8", errors="replace")
        texts[f] = text
        words.update(re.findall(r"\w+", text))
    words.update(part for f in files for part in re.split(r"[/.]", f))
    options = set()
    for f, text in texts.items():
        if f.startswith("apps/"):
            for literal in STRING_LITERAL.findall(text):
                options.update(OPTION.findall(literal))

    faults = []
    doc = DOC.read_text(encoding="utf-8")
    for number, line in enumerate(doc.splitlines(), 1):
        for token in re.findall(r"`([^`]+)`", line):
            if token.startswith("--"):
                option = OPTION.match(token)
                if option and option.group(0) not in options:
                    faults.append(f"{DOC.name}:{number}: no such option: {token}")
                continue
            if " " in token or token.startswith(("-", ".")):
                continue
            if is_path(token):
                if not matching_paths(token, files, folders):
                    faults.append(f"{DOC.name}:{number}: no such path: {token}")
                continue
            for part in re.findall(r"\w+", token.replace("…", "")):
                if part not in words:
                    faults.append(f"{DOC.name}:{number}: no such name: {token}")
                    break
        for names, place in PLACED.findall(line):
            candidates = [p for p in matching_paths(place, files, folders) if p in texts]
            if not candidates:
                continue
            for name in re.findall(r"`([^`]+)`", names):
                last = name.split("::")[-1].split(".")[-1]
                if not any(re.search(r"\b" + re.escape(last) + r"\b", texts[p]) for p in candidates):
                    faults.append(f"{DOC.name}:{number}: {name} is not in {place}")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        return 1
    print(f"{DOC.name}: every path and name it shows exists")
    return 0


if __name__ == "__main__":
    sys.exit(main())
