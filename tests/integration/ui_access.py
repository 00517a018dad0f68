#!/usr/bin/python3
"""Reads and works a running program's window through the accessibility bus
(AT-SPI), the way a screen reader or a person's assistive tool does.

    ui_access.py ready                 wait for the accessibility registry
    ui_access.py labels PID            print the text of every label, one a line
    ui_access.py press PID NAME        press the button or tool bar button NAME
    ui_access.py set-text PID TEXT     replace the text of the window's line edit

PID is the program's process id. Button texts are compared without their
leading and trailing blanks. Exits with 1 and a message on standard error
when the program or the widget is not (yet) there; the caller retries.
"""
import sys

import pyatspi

BUTTON_ROLES = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON}


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    raise LookupError("no application with process id %d on the accessibility bus" % pid)


def descendants(accessible):
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def first(pid, matches, what):
    for accessible in descendants(application(pid)):
        if matches(accessible):
            return accessible
    raise LookupError("no %s in the window of process %d" % (what, pid))


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "ready":
        pyatspi.Registry.getDesktop(0).childCount
        return 0
    if command == "labels" and len(argv) == 3:
        for accessible in descendants(application(int(argv[2]))):
            if accessible.getRole() == pyatspi.ROLE_LABEL:
                print(accessible.name)
        return 0
    if command == "press" and len(argv) == 4:
        name = argv[3]
        button = first(int(argv[2]), lambda a: a.getRole() in BUTTON_ROLES and a.name.strip() == name,
                       'button "%s"' % name)
        if not button.getState().contains(pyatspi.STATE_ENABLED):
            raise LookupError('button "%s" is disabled' % name)
        button.queryAction().doAction(0)
        return 0
    if command == "set-text" and len(argv) == 4:
        edit = first(int(argv[2]), lambda a: a.getRole() == pyatspi.ROLE_TEXT, "line edit")
        edit.queryEditableText().setTextContents(argv[3])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except Exception as error:  # a program that went away answers with D-Bus errors
        print(error, file=sys.stderr)
        sys.exit(1)
