#!/usr/bin/python3
"""Walks Quenzel's main window through the accessibility bus, as a screen reader would drive it:
opens a clip (given on the command line), plays, marks a start and an end, converts, checks the
written file with ffprobe and exits with the Exit button. Every control is found by its role and
accessible name. Run it on a virtual display with the bus running:

    scripts/virtual-display /usr/bin/python3 tests/walk/walk.py build/bin/quenzel
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

BOUND = 30  # seconds for any one step


def fail(message):
    print("walk: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, check, bound=BOUND):
    deadline = time.monotonic() + bound
    while time.monotonic() < deadline:
        try:
            result = check()
        except Exception:  # the tree may change under us while the window updates
            result = None
        if result:
            return result
        time.sleep(0.2)
    fail("gave up waiting for " + what)


def find(node, predicate, depth=0):
    if node is None or depth > 12:
        return None
    if predicate(node):
        return node
    for index in range(node.childCount):
        found = find(node.getChildAtIndex(index), predicate, depth + 1)
        if found is not None:
            return found
    return None


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def button(window, name):
    found = find(window, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name)
    if found is None:
        fail("no button named " + repr(name))
    return found


def press(window, name):
    target = button(window, name)
    wait_for(name + " enabled", lambda: target.getState().contains(pyatspi.STATE_ENABLED))
    actions = target.queryAction()
    for index in range(actions.nActions):
        if actions.getName(index) in ("Press", "press", "click"):
            actions.doAction(index)
            return
    actions.doAction(0)


def text_with_role(window, role):
    """The current text of the display whose accessible description is `role`."""
    found = find(window, lambda n: n.description == role)
    if found is None:
        fail("no text described as " + repr(role))
    return found.name


def top_level_windows():
    """(id, name) of the top-level windows, topmost first (no window manager runs here)."""
    listed = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True,
                            text=True).stdout
    return [(line.split()[0], line.split('"')[1]) for line in listed.splitlines()
            if line.count('"') >= 2]


def stacking():
    return [name for _, name in top_level_windows()]


def window_id(name_start):
    return next(id for id, name in top_level_windows() if name.startswith(name_start))


def full_screen_and_back(app, player_name):
    """Full screen from the player's menu, then Escape: the player ends above the main window.
    The player is found by the name its title shows."""
    player = wait_for("the player window named after the clip", lambda: find(
        app, lambda n: n.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW,
                                       pyatspi.ROLE_FILLER)
        and n.name.startswith(player_name)))
    windows_before = len(top_level_windows())
    # The bus offers no right click; xdotool clicks as a mouse does.
    subprocess.run(["xdotool", "mousemove", "--window", window_id(player_name), "20", "20"],
                   check=True)
    time.sleep(0.3)
    subprocess.run(["xdotool", "click", "3"], check=True)
    # Qt keeps popup menus off the bus: the menu is worked with its keys, its first item being
    # Full screen.
    wait_for("the player menu", lambda: len(top_level_windows()) > windows_before)
    subprocess.run(["xdotool", "key", "Down", "Return"], check=True)
    player_id = window_id(player_name)

    def width():
        shown = subprocess.run(["xwininfo", "-id", player_id], capture_output=True,
                               text=True).stdout
        return int(next(line for line in shown.splitlines() if "Width:" in line).split()[-1])

    wait_for("the player in full screen", lambda: width() == 1280)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    wait_for("the player back from full screen", lambda: width() == 160)
    order = stacking()
    players = [i for i, name in enumerate(order) if name.startswith(player_name)]
    if not players or "Quenzel" not in order:
        fail("windows on screen: %s" % order)
    if players[0] > order.index("Quenzel"):
        fail("after full screen the main window is above the player: %s" % order)


def make_clip(folder):
    path = os.path.join(folder, "walk clip é %1.mp4")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc=size=160x120:rate=10:duration=20", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=20", "-c:v", "libx264", "-preset",
                    "ultrafast", "-g", "20", "-c:a", "aac", "-shortest", path], check=True)
    return path


def main():
    if len(sys.argv) != 2:
        fail("usage: walk.py PATH-TO-QUENZEL")
    program = sys.argv[1]
    scratch = tempfile.mkdtemp(prefix="quenzel-walk-")
    config = os.path.join(scratch, "config")
    os.makedirs(os.path.join(config, "Harrowfield"))
    output = os.path.join(scratch, "walk out.avi")
    with open(os.path.join(config, "Harrowfield", "quenzel.ini"), "w", encoding="utf-8") as ini:
        ini.write("[Settings]\nOutputName=%s\n" % output)
    clip = make_clip(scratch)

    environment = dict(os.environ, XDG_CONFIG_HOME=config, HOME=scratch,
                       XDG_DATA_HOME=os.path.join(scratch, "data"), GST_DEBUG="0",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    started = time.monotonic()
    quenzel = subprocess.Popen([program, clip], env=environment)
    try:
        def started_app():
            if quenzel.poll() is not None:
                fail("quenzel ended at start with status %d" % quenzel.returncode)
            return application(quenzel.pid)

        app = wait_for("Quenzel on the accessibility bus", started_app)
        window = wait_for("the main window", lambda: find(
            app, lambda n: n.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME)
            and n.name == "Quenzel"))
        print("walk: main window after %.1f s" % (time.monotonic() - started))

        wait_for("the clip opened", lambda: "160*120" in text_with_role(window, "Status line"))
        if text_with_role(window, "End time") != "00:00:20":
            fail("end time reads " + text_with_role(window, "End time"))

        def position():
            return text_with_role(window, "Position").split(" / ")[0]

        # Times read "hh:mm:ss", so they compare as texts. A press is delivered to the window
        # after doAction returns: wait for what it changes.
        press(window, "Play")
        wait_for("the position to reach 2 s", lambda: position() >= "00:00:02")
        press(window, "Pause")
        press(window, "Start Time")
        start = wait_for("the start time", lambda: text_with_role(window, "Start time")
                         if text_with_role(window, "Start time") != "00:00:00" else None)
        press(window, "Play")
        wait_for("the position to pass the start by 2 s",
                 lambda: position() >= "00:00:%02d" % (int(start[-2:]) + 2))
        press(window, "Pause")
        press(window, "End Time")
        end = wait_for("the end time", lambda: text_with_role(window, "End time")
                       if text_with_role(window, "End time") != "00:00:20" else None)
        if not start < end:
            fail("start %s is not before end %s" % (start, end))
        print("walk: marked %s to %s" % (start, end))

        press(window, "Convert")
        wait_for("the conversion to end",
                 lambda: text_with_role(window, "Status line").startswith("Done."), bound=45)
        probe = subprocess.run(["ffprobe", "-v", "error", "-show_format", "-of", "json", output],
                               capture_output=True, text=True)
        if probe.returncode != 0:
            fail("ffprobe cannot read the output: " + probe.stderr)
        duration = float(json.loads(probe.stdout)["format"]["duration"])
        print("walk: wrote %s, %.1f s" % (output, duration))
        if not 0 < duration < 20:
            fail("the output lasts %.1f s" % duration)

        full_screen_and_back(app, os.path.basename(clip))
        print("walk: full screen and back, the player on top")

        press(window, "Exit")
        code = quenzel.wait(timeout=BOUND)
        if code != 0:
            fail("quenzel ended with status %d" % code)
        with open(os.path.join(config, "Harrowfield", "quenzel.ini"), encoding="utf-8") as ini:
            if "CurrentLanguage" not in ini.read():
                fail("the language in use was not kept")
        print("walk: done in %.1f s" % (time.monotonic() - started))
    finally:
        if quenzel.poll() is None:
            quenzel.kill()
            quenzel.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
