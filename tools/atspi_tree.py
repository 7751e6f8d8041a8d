#!/usr/bin/env python3
"""What a screen reader finds in Quorlin, read over AT-SPI as Orca reads it.

Waits for the running program's main window ("Quorlin"), lists its accessible tree, presses
添加开奖 through AT-SPI and lists the data window ("彩票数据") it opens, then closes that window.
Each line is one accessible object: its role, its name in quotes and, where it has them, what
labels it and its description. Grids are listed with their column headers, not their cells.

Exits 1 when a control that takes input or shows a result has no name and no label, or a grid
has no column headers; 2 when the windows do not come up.
"""

import sys
import time

import pyatspi

# Roles of the controls that must say what they are.
NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_PROGRESS_BAR,
    pyatspi.ROLE_CHART,
}

problems = []


def labels_of(node):
    """The names of the objects that label `node` (a label whose buddy it is)."""
    names = []
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for i in range(relation.getNTargets()):
                    names.append(relation.getTarget(i).name)
    except Exception:
        pass
    return names


def column_headers(node):
    try:
        table = node.queryTable()
    except NotImplementedError:
        return None
    headers = []
    for c in range(table.nColumns):
        header = table.getColumnHeader(c)
        text = header.name if header is not None else table.getColumnDescription(c)
        headers.append((text or "").replace("\n", ""))
    return table.nRows, headers


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def describe(node, depth, out):
    role = node.getRole()
    name = node.name or ""
    line = "  " * depth + "%s \"%s\"" % (node.getRoleName(), name.replace("\n", " ")[:60])
    labels = labels_of(node)
    if labels:
        line += " labelled by \"%s\"" % "\", \"".join(labels)
    if node.description:
        line += " — %s" % node.description
    if not node.getState().contains(pyatspi.STATE_ENABLED) and role in NAMED_ROLES:
        line += " (disabled)"
    out.append(line)
    if role in NAMED_ROLES and not name.strip() and not labels:
        problems.append("%s without a name or a label, under \"%s\"" % (node.getRoleName(), node.parent.name))
    if role == pyatspi.ROLE_TABLE:
        found = column_headers(node)
        if not found or not all(found[1]):
            problems.append("grid \"%s\" without column headers" % name)
        else:
            out.append("  " * (depth + 1) + "%d rows; columns: %s" % (found[0], " | ".join(found[1])))
        return
    for child in node:
        if child is not None and showing(child):
            describe(child, depth + 1, out)


def find_window(app_name, title, timeout=30.0):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or (app.name or "").lower() != app_name.lower():
                continue
            for window in app:
                if window is not None and window.name == title and showing(window):
                    return window
        time.sleep(0.3)
    return None


def find(node, role, name):
    if node.getRole() == role and node.name == name:
        return node
    for child in node:
        if child is None:
            continue
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def choose(owner, index, item):
    """Selects the `index`-th item of a list, by whichever interface the list offers."""
    try:
        owner.querySelection().selectChild(index)
        return
    except NotImplementedError:
        pass
    try:
        owner.queryTable().addRowSelection(index)
        return
    except NotImplementedError:
        pass
    press(item)


def list_window(window, out):
    out.append("== %s" % window.name)
    describe(window, 0, out)
    out.append("")


def main():
    app_name = sys.argv[1] if len(sys.argv) > 1 else "quorlin"
    out = []
    main_window = find_window(app_name, "Quorlin")
    if main_window is None:
        apps = [app.name for app in pyatspi.Registry.getDesktop(0) if app is not None]
        print("no window titled Quorlin reached AT-SPI; applications: %s" % apps, file=sys.stderr)
        return 2
    list_window(main_window, out)

    add = find(main_window, pyatspi.ROLE_PUSH_BUTTON, "添加开奖")
    if add is None:
        print("no button 添加开奖 in the main window", file=sys.stderr)
        return 2
    press(add)
    data_window = find_window(app_name, "彩票数据")
    if data_window is None:
        print("the data window did not come up", file=sys.stderr)
        return 2
    # A lottery chosen in its list, so that the grid shows its draws and their headers.
    lotteries = find(data_window, pyatspi.ROLE_LIST, "选择彩票")
    if lotteries is not None:
        for i, item in enumerate(lotteries):
            if item is not None and item.name == "重庆时时彩":
                choose(lotteries, i, item)
        time.sleep(1)
    list_window(data_window, out)
    close = find(data_window, pyatspi.ROLE_PUSH_BUTTON, "关闭")
    if close is not None:
        press(close)

    print("\n".join(out))
    if problems:
        print("UNNAMED:\n  " + "\n  ".join(problems))
        return 1
    print("every control is named")
    return 0


if __name__ == "__main__":
    sys.exit(main())
