"""Walks the accessible trees of VolmarSetup (connected to volmar-sim, every
page shown in turn) and Inspecta over AT-SPI, as a screen reader or desktop
automation sees them, and fails on an enabled control that has no accessible
name or that the keyboard cannot reach (not focusable). Run by run-a11y.sh
inside a virtual X server and a private session bus."""

import argparse
import os
import subprocess
import sys
import time

import pyatspi

# Controls a user operates. Their children (cells, list items, menu entries
# below a menu) are reached through them and are not checked one by one.
CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_PAGE_TAB_LIST,
}
# Reached through their container (the tab bar, the menu bar, Alt+key).
NAMED_ONLY = {pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM}
NOT_DESCENDED = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                 pyatspi.ROLE_LIST, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_MENU}


def say(text):
    print(text, flush=True)


def wait_for(what, predicate, seconds=30.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = predicate()
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit(f"a11y: {what} did not show within {seconds:.0f} s")


def application_of(pid):
    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == pid and app.childCount > 0:
                    return app
            except Exception:  # an application going away while listed
                continue
        return None
    return find


def path_of(node):
    parts = []
    while node is not None and node.getRole() != pyatspi.ROLE_APPLICATION:
        parts.append(f"{node.getRoleName()} '{node.name}'" if node.name else node.getRoleName())
        node = node.parent
    return " / ".join(reversed(parts))


def walk(node, problems, seen, counted):
    states = node.getState()
    if not states.contains(pyatspi.STATE_SHOWING):
        return
    role = node.getRole()
    enabled = states.contains(pyatspi.STATE_ENABLED)
    if enabled and (role in CONTROLS or role in NAMED_ONLY):
        key = (path_of(node), role)
        if key not in seen:
            seen.add(key)
            counted[0] += 1
            if not node.name.strip():
                problems.append(f"no accessible name: {path_of(node)}")
            in_tool_bar = node.parent is not None and node.parent.getRole() == pyatspi.ROLE_TOOL_BAR
            # Tool bars stay out of the tab chain (as everywhere in Qt); their
            # commands are menu entries with keys as well.
            if not in_tool_bar and role in CONTROLS and not states.contains(pyatspi.STATE_FOCUSABLE):
                problems.append(f"not reachable by keyboard: {path_of(node)}")
    if role in NOT_DESCENDED:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, problems, seen, counted)


def page_tab_lists(node, found):
    if node.getRole() == pyatspi.ROLE_PAGE_TAB_LIST and node.getState().contains(
            pyatspi.STATE_SHOWING):
        found.append(node)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and child.getRole() not in NOT_DESCENDED:
            page_tab_lists(child, found)
    return found


def walk_application(name, app, problems):
    """Every window of `app`, and each page of every page control in turn."""
    seen = set()
    counted = [0]
    for w in range(app.childCount):
        window = app.getChildAtIndex(w)
        walk(window, problems, seen, counted)
        lists = len(page_tab_lists(window, []))
        for n in range(lists):
            t = 0
            while True:
                # Looked up again each time: a page change may rebuild them.
                tabs = page_tab_lists(window, [])[n]
                if t >= tabs.childCount:
                    break
                tab = tabs.getChildAtIndex(t)
                t += 1
                if not tab.getState().contains(pyatspi.STATE_SHOWING):
                    continue  # a page the program hides
                # What a screen reader user does: the tab's own action.
                tab.queryAction().doAction(0)
                time.sleep(0.3)
                say(f"a11y: {name}: page '{tab.name}'")
                walk(window, problems, seen, counted)
    say(f"a11y: {name}: {counted[0]} controls checked")
    return counted[0]


def start(args, log):
    return subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True)
    parser.add_argument("--viewer", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()

    # Asking for the desktop starts the accessibility bus; programs started
    # after it find it and register.
    pyatspi.Registry.getDesktop(0)
    log = open(os.path.join(args.work, "programs.log"), "w")
    programs = []
    problems = []
    try:
        sim = start([args.sim, "--id", "a11y"], log)
        programs.append(sim)
        sock = os.path.join(os.environ["XDG_RUNTIME_DIR"], "volmar", "virtual", "a11y.sock")
        wait_for("volmar-sim", lambda: os.path.exists(sock))

        setup = start([args.setup, "--demo-read"], log)
        programs.append(setup)
        app = wait_for("VolmarSetup", application_of(setup.pid))
        # Connected and read: the pages hold the controller's values.
        wait_for("the read", lambda: "read completed" in open(log.name).read(), 60)
        checked = walk_application("VolmarSetup", app, problems)

        viewer = start([args.viewer], log)
        programs.append(viewer)
        app = wait_for("Inspecta", application_of(viewer.pid))
        time.sleep(1.0)
        checked += walk_application("Inspecta", app, problems)
    finally:
        for p in reversed(programs):
            p.terminate()
        for p in programs:
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        log.close()

    for problem in problems:
        say(f"a11y: {problem}")
    say(f"{checked - len(problems)} passed, {len(problems)} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
