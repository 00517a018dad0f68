#!/usr/bin/env python3
"""Reads a capture log with Python's csv module and prints it as JSON:
{"header": first line, "columns": [...], "rows": [[...], ...],
 "complete": whether every line, the last included, ends with a line feed,
 "torn": the fields of a last row without its line feed, left out of "rows"}.
The log is read from the file named as the argument, or from standard input."""
import csv
import io
import json
import sys


def fields(row):
    # Every field is followed by ';', so the reader sees one empty field more;
    # a line without columns is empty.
    if not row:
        return []
    if row[-1] != "":
        raise ValueError("a row that does not end with ';': %r" % (row,))
    return row[:-1]


def main():
    if len(sys.argv) > 1:
        with open(sys.argv[1], "rb") as log:
            data = log.read()
    else:
        data = sys.stdin.buffer.read()
    text = data.decode("utf-8")
    lines = list(csv.reader(io.StringIO(text, newline=""), delimiter=";"))
    complete = data.endswith(b"\n")
    # A capture cut off may leave its last row torn anywhere.
    torn = lines.pop() if not complete and len(lines) > 2 else None
    result = {
        "header": ";".join(lines[0]) if lines else "",
        "columns": fields(lines[1]) if len(lines) > 1 else [],
        "rows": [fields(row) for row in lines[2:]],
        "complete": complete,
        "torn": torn,
    }
    json.dump(result, sys.stdout)


main()
