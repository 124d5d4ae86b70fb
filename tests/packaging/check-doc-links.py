#!/usr/bin/env python3
"""Every relative link of the documentation leads somewhere: the file or
folder exists inside the repository, and an anchor (#heading) is a heading
of the Markdown file it names, spelled as GitHub spells anchors.

  check-doc-links.py ROOT    checks README.md, README.ja.md, CONTRIBUTING.md,
                             docs/*.md and the READMEs of win/ and
                             editors/vscode/ of ROOT; first the checker
                             itself on planted good and broken links.
"""
import os
import re
import sys
import tempfile

LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
HTML_ANCHOR = re.compile(r"<a\s+(?:id|name)=\"([^\"]+)\"")
FENCE = re.compile(r"^\s*(```|~~~)")


def prose_lines(text):
    """(line number, line) outside fenced code blocks, inline code removed."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if FENCE.match(line):
            fenced = not fenced
            continue
        if not fenced:
            yield number, re.sub(r"`[^`]*`", "", line)


def slug(heading):
    """GitHub's anchor of a heading: `## Checking in CI: \\`qlx check\\`` is
    checking-in-ci-qlx-check."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = re.sub(r"<[^>]+>", "", text).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        seen = {}
        found = set()
        text = open(path, encoding="utf-8").read()
        fenced = False
        for line in text.splitlines():
            if FENCE.match(line):
                fenced = not fenced
                continue
            if fenced:
                continue
            found.update(HTML_ANCHOR.findall(line))
            m = HEADING.match(line)
            if m:
                base = slug(m.group(2))
                n = seen.get(base, 0)
                seen[base] = n + 1
                found.add(base if n == 0 else f"{base}-{n}")
        cache[path] = found
    return cache[path]


def check_file(root, path):
    """The broken links of one Markdown file, as 'FILE:LINE: ...' lines."""
    problems = []
    root = os.path.realpath(root)
    path = os.path.realpath(path)
    where = os.path.relpath(path, root)
    text = open(path, encoding="utf-8").read()
    for number, line in prose_lines(text):
        for target in LINK.findall(line):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I):
                continue  # http:, https:, mailto:
            file_part, _, anchor = target.partition("#")
            dest = os.path.realpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
            if os.path.commonpath([root, dest]) != root:
                problems.append(f"{where}:{number}: {target}: leads outside the repository")
            elif not os.path.exists(dest):
                problems.append(f"{where}:{number}: {target}: no such file or folder")
            elif anchor:
                if not dest.endswith(".md") or os.path.isdir(dest):
                    problems.append(f"{where}:{number}: {target}: an anchor into a file that is not Markdown")
                elif anchor not in anchors(dest):
                    problems.append(f"{where}:{number}: {target}: no heading '{anchor}' in {os.path.relpath(dest, root)}")
    return problems


def documents(root):
    names = ["README.md", "README.ja.md", "CONTRIBUTING.md", "win/README.md", "editors/vscode/README.md"]
    docs = os.path.join(root, "docs")
    names += sorted(os.path.join("docs", n) for n in os.listdir(docs) if n.endswith(".md"))
    return [os.path.join(root, n) for n in names]


def self_test():
    """Planted links: the good ones pass, each broken one is found."""
    with tempfile.TemporaryDirectory() as root:
        os.mkdir(os.path.join(root, "docs"))
        files = {
            "README.md": "# QLX\n\n## Checking in CI: `qlx check`\n\n## Notes\n\n## Notes\n\n"
                         "## 設定と日付\n\n"
                         "[a](#checking-in-ci-qlx-check) [b](docs/a.md#two) [c](#notes-1) [d](docs/)\n"
                         "[e](#設定と日付) [f](https://example.invalid/x#y) `[g](#code-span)`\n"
                         "```\n[h](#in-a-code-block)\n## Not a heading\n```\n"
                         "[broken1](#not-a-heading) [broken2](docs/missing.md)\n"
                         "[broken3](docs/a.md#three) [broken4](../outside.md) [broken5](#notes-2)\n",
            "docs/a.md": "# One\n\n## Two\n\n[back](../README.md#notes) [broken6](../LICENSE#x)\n",
            "LICENSE": "MIT\n",
        }
        for name, text in files.items():
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write(text)
        found = []
        for name in ("README.md", "docs/a.md"):
            found += check_file(root, os.path.join(root, name))
        expected = [f"broken{i}" for i in range(1, 7)]
        links = {m.group(1): m.group(2) for text in files.values()
                 for m in re.finditer(r"\[(broken\d)\]\(([^)]+)\)", text)}
        reported = sorted(k for k, target in links.items() if any(f": {target}: " in p for p in found))
        if reported != expected or len(found) != len(expected):
            print("doc links: the checker is wrong on planted links:", *found, sep="\n  ")
            return False
    return True


def main():
    if len(sys.argv) != 2:
        print(f"usage: {sys.argv[0]} ROOT", file=sys.stderr)
        return 2
    if not self_test():
        return 1
    problems = []
    for path in documents(sys.argv[1]):
        problems += check_file(sys.argv[1], path)
    for p in problems:
        print(p)
    print(f"doc links: {'FAIL' if problems else 'PASS'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
