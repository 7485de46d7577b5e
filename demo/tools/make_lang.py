#!/usr/bin/env python3
"""Builds the language files demo/lang/*.lng from their UTF-8 sources in demo/tools/lang_src/.

Needs nothing beyond python3's standard library. Run it from anywhere:

    python3 demo/tools/make_lang.py

Each source is the language file itself, written in UTF-8 for editing. The installer draws
the bytes of a language file unchanged with a font of the file's charset (its "#skrypt"
entry), so every file is written in the code page of that charset, with CR LF line ends.
"""

import os
import re
import sys

# GDI charset -> the single-byte code page its fonts show.
CODE_PAGES = {
    0: "cp1252",
    161: "cp1253",
    162: "cp1254",
    177: "cp1255",
    178: "cp1256",
    186: "cp1257",
    204: "cp1251",
    238: "cp1250",
}

# Positions in a language file are 16-bit: the file must stay below this size.
SIZE_LIMIT = 32767

REQUIRED_KEYS = ["#jezyk", "#skrypt", "instaluj", "wyjdz", "przed1", "poz1", "neg1", "error",
                 "brak miejsca", "nie moge znalezc", "podaj folder"]

ENTRY = re.compile(r"^/([^/\r\n]+)/(..)([^']*)'", re.MULTILINE | re.DOTALL)


def check(name, text):
    """Returns the list of problems of one source text."""
    problems = []
    if not re.match(r"\[[A-Z]{3}\]\n", text):
        problems.append("the first line is not a three-letter upper-case header like [ENG]")
    entry_lines = [line for line in text.split("\n") if line.startswith("/")]
    for line in entry_lines:
        if line.count("'") != 1 or not line.endswith("'"):
            problems.append("entry without exactly one closing mark at its end: " + line[:40])
    stray = text.count("'") - len(entry_lines)
    if stray > 0:
        problems.append("%d closing marks outside the entries" % stray)
    keys = [m.group(1) for m in ENTRY.finditer(text)]
    for key in REQUIRED_KEYS:
        if key not in keys:
            problems.append("missing key " + key)
    for key in set(keys):
        if text.count("/" + key + "/") != 1:
            problems.append("key %s stands more than once" % key)
    return problems


def charset_of(text):
    match = re.search(r"^/#skrypt/..\s*(\d+)'", text, re.MULTILINE)
    return int(match.group(1)) if match else 0


def main():
    tools = os.path.dirname(os.path.abspath(__file__))
    source_dir = os.path.join(tools, "lang_src")
    target_dir = os.path.normpath(os.path.join(tools, "..", "lang"))
    os.makedirs(target_dir, exist_ok=True)
    failed = False
    for source in sorted(os.listdir(source_dir)):
        if not source.endswith(".txt"):
            continue
        with open(os.path.join(source_dir, source), encoding="utf-8") as f:
            text = f.read()
        problems = check(source, text)
        code_page = CODE_PAGES.get(charset_of(text))
        if code_page is None:
            problems.append("no code page known for charset %d" % charset_of(text))
        else:
            try:
                data = text.replace("\n", "\r\n").encode(code_page)
            except UnicodeEncodeError as e:
                problems.append("%s cannot hold %r" % (code_page, e.object[e.start:e.end]))
            else:
                if len(data) >= SIZE_LIMIT:
                    problems.append("%d bytes, not below %d" % (len(data), SIZE_LIMIT))
        if problems:
            failed = True
            for problem in problems:
                print("%s: %s" % (source, problem), file=sys.stderr)
            continue
        target = os.path.join(target_dir, source[:-len(".txt")] + ".lng")
        with open(target, "wb") as f:
            f.write(data)
        print("%s -> %s (%s, %d bytes)" % (source, os.path.relpath(target), code_page, len(data)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
