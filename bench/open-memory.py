#!/usr/bin/python3
"""Memory of the window across opened files. Drives Quenzel as a user would, over the
accessibility bus: Open Video through the file dialog, Play for 1 s, Stop; the clips alternate
between 640x360 and 1280x720 H.264 + AAC (camera-like pictures). With --convert, each cycle also
converts the opened clip to Done. Prints the resident memory after every cycle and the growth from
the second open to the last (target: at most 10 MB over 20 opens). Run it on a virtual display:

    scripts/virtual-display /usr/bin/python3 bench/open-memory.py build/bin/quenzel [--cycles N] [--convert]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "walk"))
import walk  # noqa: E402  (the walk's helpers for finding and pressing controls)
import pyatspi  # noqa: E402


def resident_megabytes(pid):
    with open("/proc/%d/status" % pid, encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def make_clip(folder, size):
    path = os.path.join(folder, "clip %s.mp4" % size)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=%s:rate=30:duration=8,noise=alls=4:allf=t" % size, "-f",
                    "lavfi", "-i", "sine=frequency=440:duration=8", "-c:v", "libx264", "-preset",
                    "veryfast", "-c:a", "aac", path], check=True)
    return path


def open_through_dialog(app, window, path):
    walk.press(window, "Open Video")
    walk.wait_for("the file dialog", lambda: walk.find(
        app, lambda n: n.getRole() == pyatspi.ROLE_DIALOG and n.name != "Quenzel"))
    time.sleep(0.3)  # the name box takes the keys once the dialog shows
    subprocess.run(["xdotool", "type", "--delay", "5", path], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--cycles", type=int, default=20)
    parser.add_argument("--convert", action="store_true")
    options = parser.parse_args()
    scratch = tempfile.mkdtemp(prefix="quenzel-memory-")
    config = os.path.join(scratch, "config")
    os.makedirs(os.path.join(config, "Harrowfield"))
    output = os.path.join(scratch, "out.avi")
    with open(os.path.join(config, "Harrowfield", "quenzel.ini"), "w", encoding="utf-8") as ini:
        ini.write("[Settings]\nOutputName=%s\nOutputWidth=320\nOutputHeight=240\n" % output)
    clips = [(make_clip(scratch, "640x360"), "640*360"), (make_clip(scratch, "1280x720"),
                                                          "1280*720")]
    environment = dict(os.environ, XDG_CONFIG_HOME=config, HOME=scratch,
                       XDG_DATA_HOME=os.path.join(scratch, "data"))
    environment.setdefault("GST_DEBUG", "0")
    quenzel = subprocess.Popen([options.program], env=environment)
    try:
        app = walk.wait_for("Quenzel on the accessibility bus",
                            lambda: walk.application(quenzel.pid))
        window = walk.wait_for("the main window", lambda: walk.find(
            app, lambda n: n.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME)
            and n.name == "Quenzel"))
        print("start: %.0f MB" % resident_megabytes(quenzel.pid))
        figures = []
        for cycle in range(1, options.cycles + 1):
            path, resolution = clips[(cycle - 1) % 2]
            open_through_dialog(app, window, path)
            walk.wait_for("the clip opened",
                          lambda: resolution in walk.text_with_role(window, "Status line"))
            walk.press(window, "Play")
            time.sleep(1)
            walk.press(window, "Stop")
            if options.convert:
                if os.path.exists(output):
                    os.remove(output)  # else the program asks before it replaces the file
                walk.press(window, "Convert")
                walk.wait_for("the conversion to end", lambda: walk.text_with_role(
                    window, "Status line").startswith("Done."), bound=60)
            time.sleep(0.5)
            figures.append(resident_megabytes(quenzel.pid))
            print("open %2d (%s): %.0f MB" % (cycle, resolution.replace("*", "x"), figures[-1]),
                  flush=True)
        if len(figures) >= 2:
            print("growth from the 2nd open to the %s: %+.1f MB" % (
                "%dth" % len(figures), figures[-1] - figures[1]))
        if os.environ.get("GST_LEAKS_TRACER_SIG"):
            os.kill(quenzel.pid, 10)  # SIGUSR1: the leaks tracer lists what is alive
            time.sleep(2)
        walk.press(window, "Exit")
        quenzel.wait(timeout=walk.BOUND)
    finally:
        if quenzel.poll() is None:
            quenzel.kill()
            quenzel.wait()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
