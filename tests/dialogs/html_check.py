#!/usr/bin/env python3
"""Checks an exported HTML gallery from outside: every page of the folder
decodes as Windows-1252 and declares exactly that encoding, once, where a
browser looks for it (a meta tag within the first 1024 bytes), parses with html.parser with every element closed
in the order it was opened and no stray '<' in the text, and every link and
picture reference (href, src) that is not a web address names a file that
exists in the folder. Prints one line per fault; exit status 1 on faults."""

import os
import re
import sys
import urllib.parse
from html.parser import HTMLParser

# A meta tag that names an encoding, as http-equiv content or as charset.
CHARSET = re.compile(rb"<meta\b[^>]*charset\s*=\s*[\"']?([A-Za-z0-9_.:-]+)", re.IGNORECASE)

VOID = {"img", "br", "meta", "hr", "input", "link", "area", "base", "col", "param", "source"}


class Checker(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.stack = []
        self.errors = []
        self.refs = []

    def refs_of(self, attrs):
        for name, value in attrs:
            if name in ("href", "src"):
                if value is None:
                    self.errors.append(f"{name} without value at {self.getpos()}")
                else:
                    self.refs.append(value)

    def handle_starttag(self, tag, attrs):
        self.refs_of(attrs)
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.refs_of(attrs)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.errors.append(f"</{tag}> at {self.getpos()}, open: {self.stack}")
        else:
            self.stack.pop()

    def handle_data(self, data):
        if "<" in data:
            self.errors.append(f"stray '<' in text at {self.getpos()}: {data!r}")


def main(folder):
    faults = []
    pages = refs = 0
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".htm"):
            continue
        pages += 1
        raw = open(os.path.join(folder, name), "rb").read()
        try:
            text = raw.decode("cp1252")
        except UnicodeDecodeError as e:
            faults.append(f"{name}: not Windows-1252: {e}")
            continue
        declared = CHARSET.findall(raw)
        if [d.lower() for d in declared] != [b"windows-1252"]:
            faults.append(f"{name}: declares {declared!r}, is written in windows-1252")
        elif CHARSET.search(raw[:1024]) is None:
            faults.append(f"{name}: declares its encoding after the first 1024 bytes")
        checker = Checker()
        checker.feed(text)
        checker.close()
        for err in checker.errors:
            faults.append(f"{name}: {err}")
        if checker.stack:
            faults.append(f"{name}: left open: {checker.stack}")
        for ref in checker.refs:
            refs += 1
            if ref.startswith(("http://", "https://")):
                continue
            target = urllib.parse.unquote(ref)
            if not os.path.isfile(os.path.join(folder, target)):
                faults.append(f"{name}: reference {ref!r} names no written file")
    for f in faults:
        print(f)
    print(f"{pages} pages, {refs} references, {len(faults)} faults")
    return 1 if faults or pages == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
