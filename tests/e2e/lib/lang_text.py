#!/usr/bin/env python3
"""Language-file look-ups for the end-to-end checks.

  lang_text.py file LANG_DIR CODE          path of the first language file whose header code is CODE
  lang_text.py has LOG LNG_FILE KEY...     exit 0 when every KEY's text of LNG_FILE is in LOG
  lang_text.py lacks LOG LNG_FILE KEY...   exit 0 when no KEY's text of LNG_FILE is in LOG

Texts are matched as the file's own bytes or, decoded with the code page of the file's
"#skrypt" charset, as UTF-8, so the check does not depend on how the log stores them. A key
whose text is missing or empty fails both checks: they would prove nothing.
"""
import pathlib
import sys

# GDI charset number -> Windows code page.
CODE_PAGES = {0: "cp1252", 161: "cp1253", 162: "cp1254", 177: "cp1255", 178: "cp1256",
              186: "cp1257", 204: "cp1251", 238: "cp1250"}


def lang_text(buffer: bytes, key: str) -> bytes:
    """The text of /key/ as the installer reads it: two characters skipped, up to the apostrophe."""
    needle = b"/" + key.encode("latin-1") + b"/"
    p = buffer.find(needle)
    if p < 0:
        return b""
    start = p + len(needle) + 2
    end = buffer.find(b"'", start)
    return buffer[start:] if end < 0 else buffer[start:end]


def header_code(buffer: bytes) -> bytes:
    open_at = buffer.find(b"[")
    if open_at < 0:
        return b""
    close_at = buffer.find(b"]", open_at)
    return buffer[open_at + 1:close_at] if close_at >= 0 else b""


def as_utf8(buffer: bytes, text: bytes) -> bytes:
    """A text of the file in UTF-8, decoded with the code page of the file's "#skrypt" charset."""
    try:
        charset = int(lang_text(buffer, "#skrypt").strip() or b"0")
    except ValueError:
        charset = 0
    return text.decode(CODE_PAGES.get(charset, "cp1252"), errors="replace").encode("utf-8")


def forms(buffer: bytes, text: bytes) -> list[bytes]:
    """The ways a text may stand in the log: raw or as UTF-8, with either line ending."""
    result = [text, as_utf8(buffer, text)]
    return result + [f.replace(b"\r\n", b"\n") for f in result]


def in_log(log: bytes, buffer: bytes, key: str) -> bool:
    text = lang_text(buffer, key)
    return bool(text) and any(f in log for f in forms(buffer, text))


def main(argv: list[str]) -> int:
    if len(argv) == 4 and argv[1] == "file":
        for path in sorted(pathlib.Path(argv[2]).glob("*.lng")):
            if header_code(path.read_bytes())[:3] == argv[3].encode():
                print(path)
                return 0
        return 1
    if len(argv) >= 5 and argv[1] in ("has", "lacks"):
        log = pathlib.Path(argv[2]).read_bytes() if pathlib.Path(argv[2]).exists() else b""
        buffer = pathlib.Path(argv[3]).read_bytes()
        if not all(lang_text(buffer, key) for key in argv[4:]):
            print(f"lang_text: {argv[3]} lacks a text for one of {argv[4:]}", file=sys.stderr)
            return 1
        found = [in_log(log, buffer, key) for key in argv[4:]]
        return 0 if (all(found) if argv[1] == "has" else not any(found)) else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
