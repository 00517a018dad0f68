#!/usr/bin/python3
"""Turns the user guide (Markdown) into the HTML page the programs open with
F1, with the pictures it shows beside it.

    guide-html.py GUIDE.md OUTPUT_FOLDER

Writes OUTPUT_FOLDER/index.html and copies every picture the guide shows
(images/...) into OUTPUT_FOLDER/images/. Fails when a picture is missing.
Needs Debian's python3-markdown.
"""
import html
import os
import re
import shutil
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STYLE = """
body { font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
img { max-width: 100%; }
table { border-collapse: collapse; }
th, td { border: 1px solid #aaa; padding: 0.2em 0.5em; vertical-align: top; }
pre { background: #f4f4f4; padding: 0.6em; overflow-x: auto; }
code { background: #f4f4f4; }
"""


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    # The anchors as the guide's own links spell them ("#deutsche-oberfläche").
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"],
                             extension_configs={"toc": {"slugify": slugify_unicode}})
    title = re.search(r"^# (.+)$", text, re.MULTILINE)
    os.makedirs(os.path.join(output, "images"), exist_ok=True)
    base = os.path.dirname(os.path.abspath(source))
    for picture in sorted(set(re.findall(r"\]\((images/[^)\s]+)\)", text))):
        target = os.path.join(output, picture)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(os.path.join(base, picture), target)
    page = ('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n<title>%s</title>\n'
            '<style>%s</style>\n</head>\n<body>\n%s\n</body>\n</html>\n'
            % (html.escape(title.group(1) if title else "User guide"), STYLE, body))
    with open(os.path.join(output, "index.html"), "w", encoding="utf-8") as f:
        f.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
