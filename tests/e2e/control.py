#!/usr/bin/python3
"""control.py PROGRAM ROLE NAME: the screen's x and y of the middle of the control of that role and
name ("push button" "View Log") that shows in a window of the running program, found in the windows'
layout as accessibility tools read it; fails when none shows. The program runs with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1."""
import sys

import gi

gi.require_version('Atspi', '2.0')
from gi.repository import Atspi  # noqa: E402


def find(node, role, name):
    if node.get_role_name() == role and node.get_name() == name and \
            node.get_state_set().contains(Atspi.StateType.SHOWING):
        return node
    children = (node.get_child_at_index(i) for i in range(node.get_child_count()))
    return next((found for child in children if child and (found := find(child, role, name))), None)


def main(program, role, name):
    desktop = Atspi.get_desktop(0)
    applications = (desktop.get_child_at_index(i) for i in range(desktop.get_child_count()))
    for application in applications:
        control = application and application.get_name() == program and find(application, role, name)
        if control:
            box = control.get_extents(Atspi.CoordType.SCREEN)
            print(box.x + box.width // 2, box.y + box.height // 2)
            return 0
    return f'no {role} "{name}" shows in {program}'


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:]))
