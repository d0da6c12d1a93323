#!/usr/bin/env python3
"""Builds the user guide (docs/guide/*.md and its images) into HTML pages.

    python3 scripts/build_guide.py OUTPUT_DIR

Each page becomes OUTPUT_DIR/<name>.html, its links to other pages of the
guide point at their .html, and the pictures are copied to
OUTPUT_DIR/images/. Fails on a picture or page the guide links but lacks,
so a shipped guide never shows a broken picture.
"""
import html
import pathlib
import re
import shutil
import sys

import markdown

GUIDE = pathlib.Path(__file__).resolve().parent.parent / "docs" / "guide"
STYLE = """body{font-family:sans-serif;max-width:52em;margin:2em auto;padding:0 1em;line-height:1.45;color:#222}
img{max-width:100%;border:1px solid #bbb;margin:.5em 0}code,pre{background:#f2f2f2}pre{padding:.6em;overflow:auto}
table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:.25em .6em;text-align:left}
blockquote{border-left:4px solid #c80;margin:1em 0;padding:.2em 1em;color:#840}"""


def page(title, body):
    return (f'<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1])
    (out / "images").mkdir(parents=True, exist_ok=True)
    missing = []
    for source in sorted(GUIDE.glob("*.md")):
        text = source.read_text(encoding="utf-8")
        for target in re.findall(r"\]\(([^)#\s]+)", text):
            if "://" not in target and not (GUIDE / target).exists():
                missing.append(f"{source.name}: {target}")
        text = re.sub(r"\]\(([^)#\s:]+)\.md(#[^)]*)?\)", r"](\1.html\2)", text)
        body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"])
        title = next((line.lstrip("# ").strip() for line in text.splitlines() if line.startswith("# ")), source.stem)
        (out / f"{source.stem}.html").write_text(page(title, body), encoding="utf-8")
    if missing:
        sys.exit("the guide links what it lacks:\n  " + "\n  ".join(missing))
    for picture in sorted((GUIDE / "images").glob("*.png")):
        shutil.copy2(picture, out / "images" / picture.name)
    print(f"guide: {len(list(out.glob('*.html')))} pages in {out}")


if __name__ == "__main__":
    main()
