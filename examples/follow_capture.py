#!/usr/bin/env python3
"""Runs kivratolm-capture with the arguments given to this script and follows
its events, one JSON object per line, as a test bench script would:

    follow_capture.py use=usb/- --rate 1000 --pre 50 --samples 5000 -o press.csv

kivratolm-capture must be on the PATH (build/bin in the source tree).

Ends with the tool's exit code."""
import json
import subprocess
import sys


def capture(arguments):
    tool = subprocess.Popen(["kivratolm-capture", *arguments, "--events"],
                            stdout=subprocess.PIPE, text=True)
    for line in tool.stdout:
        event = json.loads(line)
        kind = event["event"]
        if kind == "triggered":
            print("triggered:", event["reason"])
        elif kind == "progress":
            print("progress: %d rows" % event["rows"])
        elif kind == "done":
            print("done: %d rows in %s (%s)" % (event["rows"], event["file"], event["end"]))
        elif "message" in event:
            print("%s: %s" % (kind, event["message"]))
        else:
            print(kind)
        sys.stdout.flush()
    return tool.wait()


if __name__ == "__main__":
    sys.exit(capture(sys.argv[1:]))
