#!/usr/bin/env python3
"""Writes data/html-entities.txt: the named character references of HTML,
one a line, as the name (with its ';', or without it for the legacy names
a page may write bare) and its code points in hex. Taken from Python's own
copy of the list, so the table is never typed by hand; run it again only
to follow a newer list. The build embeds the file as it is."""
import html.entities
import pathlib

out = pathlib.Path(__file__).resolve().parent.parent / "data" / "html-entities.txt"
lines = ["# name, code points (hex); written by tools/html-entities.py"]
for name in sorted(html.entities.html5, key=lambda n: n.encode()):
    lines.append(name + " " + " ".join("%X" % ord(c) for c in html.entities.html5[name]))
out.write_text("\n".join(lines) + "\n", encoding="ascii")
