#!/usr/bin/env python3
"""Writes a guide page with its pictures inlined as data: URIs, so the page is one
self-contained file. usage: inline_images.py SOURCE.html OUTPUT.html

Exit code 1 when the source cannot be read or a picture it names is missing: a guide
must not ship with a hole where a picture was meant to be."""
import base64
import os
import re
import sys

TYPES = {".png": "image/png", ".jpg": "image/jpeg", ".jpeg": "image/jpeg"}
IMG = re.compile(r'<img\b[^>]*?\bsrc="([^"]+)"[^>]*>', re.IGNORECASE)


def inline(html, base_dir, missing):
    def replace(match):
        src = match.group(1)
        if src.startswith("data:"):
            return match.group(0)
        kind = TYPES.get(os.path.splitext(src)[1].lower())
        # Only picture files beside the page: nothing else is read into a release.
        if kind is None or "/" in src or "\\" in src:
            missing.append(src + " (not a picture file beside the page)")
            return ""
        path = os.path.join(base_dir, src)
        if not os.path.isfile(path):
            missing.append(src)
            return ""
        with open(path, "rb") as f:
            data = base64.b64encode(f.read()).decode("ascii")
        tag = match.group(0)
        return tag[:match.start(1) - match.start(0)] + "data:" + kind + ";base64," + data + \
            tag[match.end(1) - match.start(0):]
    return IMG.sub(replace, html)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, output = argv[1], argv[2]
    try:
        with open(source, encoding="utf-8") as f:
            html = f.read()
    except OSError as e:
        sys.stderr.write("inline_images: %s\n" % e)
        return 1
    missing = []
    html = inline(html, os.path.dirname(os.path.abspath(source)), missing)
    for m in missing:
        sys.stderr.write("inline_images: %s: picture left out: %s\n" % (os.path.basename(source), m))
    with open(output, "w", encoding="utf-8", newline="\n") as f:
        f.write(html)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
