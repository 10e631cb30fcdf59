#!/usr/bin/env python3
"""The main window on laptop and desktop screens under a real window manager (Xvfb, openbox).

At 1366x768 scale 1, 1366x768 scale 1.5, 1920x1080 scale 1.5 and 1366x768 scale 2, with no
panel, the entries list, the server's replies, and both: the window manager's frame around the
window, and every part of the window (the form's visible room, each docked panel, the reply
panel's command box, the status bar), lie on the screen; the window's minimum size fits the
screen; the parts do not cover one another. Then the session brings the docked panels back
where they were, still on the screen. Every wait is for the condition it checks.

Usage: layout_test.py EDITOR [SCREENSHOT_DIR]      Exits 77 (a skip) when a tool is missing.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

EDITOR = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
TOOLS = ["Xvfb", "openbox", "wmctrl", "xdotool", "xdpyinfo", "xwininfo", "xprop"]
TITLE = "Tarnwick Quorvel编辑器"
WAIT = 30  # seconds any one condition may take on a loaded machine

for tool in TOOLS + (["import"] if SHOTS else []):
    if shutil.which(tool) is None:
        print(f"SKIP: {tool} is not installed")
        sys.exit(77)

failures = []


def check(what, condition):
    print(("ok: " if condition else "FAIL: ") + what)
    if not condition:
        failures.append(what)
    return condition


def poll(condition, seconds=WAIT):
    """condition() until it answers something true; the last answer either way."""
    deadline = time.monotonic() + seconds
    while True:
        answer = condition()
        if answer or time.monotonic() > deadline:
            return answer
        time.sleep(0.05)


class Display:
    def __init__(self, work, width, height):
        self.width, self.height = width, height
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            self.name = ":" + numbers.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        poll(lambda: self.run(["xdpyinfo"]).returncode == 0)
        # The window manager is up once it has claimed the screen; one that could not open the
        # display yet (a loaded machine) is started again.
        for _ in range(10):
            self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            if poll(lambda: self.wm.poll() is not None
                    or "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(["xprop", "-root"]).stdout) \
                    and self.wm.poll() is None:
                break
        else:
            raise SystemExit("FAIL: openbox does not start")

    def run(self, command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True)

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            process.wait()


class Editor:
    def __init__(self, display, scale, work, session=None):
        self.display = display
        env = dict(display.env, QT_SCALE_FACTOR=str(scale), XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
                   XDG_DATA_HOME=os.path.join(work, "data"), XDG_CONFIG_HOME=os.path.join(work, "config"),
                   HOME=work)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        command = [EDITOR, "--script", "-"] + (["--session", session] if session else [])
        self.errors = open(os.path.join(work, "editor.err"), "a")
        self.process = subprocess.Popen(command, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.errors, text=True)
        self.window = poll(self.find_window, 90)
        if not self.window:
            raise SystemExit("FAIL: the editor's window never appeared")

    def find_window(self):
        found = self.display.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"]).stdout.split()
        return found[0] if found else None

    def request(self, **fields):
        self.process.stdin.write(json.dumps(fields, ensure_ascii=False) + "\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise SystemExit(f"FAIL: the editor exited while {fields} was pending")
        return json.loads(line)

    def wm_frame(self):
        """The window manager's frame on the screen, in the X server's pixels: x, y, width, height."""
        # The window the title names now: a window manager that reframes it keeps its id, but
        # the first search can meet a window the editor has not mapped for good yet.
        self.window = self.find_window() or self.window
        info = self.display.run(["xwininfo", "-id", self.window]).stdout
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        extents = self.display.run(["xprop", "-id", self.window, "_NET_FRAME_EXTENTS"]).stdout
        if "=" not in extents:
            return None
        left, right, top, bottom = (int(v) for v in extents.split("=")[1].split(","))
        x, y = int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])
        return (x - left, y - top, int(values["Width"]) + left + right, int(values["Height"]) + top + bottom)

    def quit(self):
        self.process.stdin.close()
        self.process.wait(timeout=60)
        self.errors.close()


def inside(inner, outer):
    return (inner["x"] >= outer["x"] and inner["y"] >= outer["y"]
            and inner["x"] + inner["width"] <= outer["x"] + outer["width"]
            and inner["y"] + inner["height"] <= outer["y"] + outer["height"])


def overlap(a, b):
    return (a["x"] < b["x"] + b["width"] and b["x"] < a["x"] + a["width"]
            and a["y"] < b["y"] + b["height"] and b["y"] < a["y"] + a["height"])


def problems(layout, wm, display, shown):
    """What is wrong with a layout; empty when everything fits."""
    found = []
    screen, window, frame, parts = layout["screen"], layout["window"], layout["frame"], layout["parts"]
    if not inside(frame, screen):
        found.append(f"frame {frame} is not on the screen {screen}")
    if wm is None:
        found.append("the window manager has not framed the window")
    elif not (wm[0] >= 0 and wm[1] >= 0 and wm[0] + wm[2] <= display.width and wm[1] + wm[3] <= display.height):
        found.append(f"the window manager's frame {wm} is not on the {display.width}x{display.height} screen")
    minimum = window["minimum"]
    if minimum["width"] > screen["width"] or minimum["height"] > screen["height"]:
        found.append(f"the minimum size {minimum} exceeds the screen {screen}")
    expected = {"form": True, "status": True, "entries": "entries" in shown,
                "replies": "replies" in shown, "command": "replies" in shown}
    for name, visible in expected.items():
        part = parts[name]
        if part["visible"] != visible:
            found.append(f"{name} is {'hidden' if visible else 'shown'}")
        elif visible and not inside(part, window):
            found.append(f"{name} {part} is not inside the window {window}")
        elif visible and not inside(part, screen):
            found.append(f"{name} {part} is not on the screen {screen}")
        elif visible and (part["width"] < 40 or part["height"] < 16):
            found.append(f"{name} {part} is too small to use")
    for a, b in (("form", "entries"), ("form", "replies"), ("entries", "replies"), ("form", "status")):
        if parts[a]["visible"] and parts[b]["visible"] and overlap(parts[a], parts[b]):
            found.append(f"{a} and {b} cover one another")
    return found


def settled(editor, display, shown):
    """The layout once it fits, or the last one seen with what is wrong with it."""
    last = {}

    def fits():
        layout = editor.request(op="layout")
        last["layout"], last["problems"] = layout, problems(layout, editor.wm_frame(), display, shown)
        return not last["problems"]

    poll(fits)
    return last["layout"], last["problems"]


STATES = [(), ("entries",), ("replies",), ("entries", "replies")]
CONFIGS = [(1366, 768, 1), (1366, 768, 1.5), (1920, 1080, 1.5), (1366, 768, 2)]


def main():
    work = tempfile.mkdtemp(prefix="quorvel-layout.")
    try:
        for width, height, scale in CONFIGS:
            display = Display(work, width, height)
            try:
                editor = Editor(display, scale, work)
                for shown in STATES:
                    for panel in ("entries", "replies"):
                        reply = editor.request(op="show", panel=panel, shown=panel in shown)
                        check(f"show {panel}", reply == {"ok": True})
                    name = f"{width}x{height} x{scale}, " + (" and ".join(shown) or "no panel")
                    layout, wrong = settled(editor, display, shown)
                    check(f"{name}: the frame and every part fit the screen" + (f" ({'; '.join(wrong)})" if wrong else ""),
                          not wrong)
                    if SHOTS:
                        shot = os.path.join(SHOTS, f"layout-{width}x{height}-{scale}-{'-'.join(shown) or 'none'}.png")
                        display.run(["import", "-window", "root", shot])
                editor.quit()
            finally:
                display.close()
        # The session keeps the docks: shown again where they were after a restart, on the screen.
        display = Display(work, 1366, 768)
        try:
            session = os.path.join(work, "session.json")
            editor = Editor(display, 1, work, session)
            editor.request(op="show", panel="entries")
            editor.request(op="show", panel="replies", shown=False)
            before, wrong = settled(editor, display, ("entries",))
            check("before the restart: the entries list fits" + (f" ({'; '.join(wrong)})" if wrong else ""), not wrong)
            editor.quit()
            editor = Editor(display, 1, work, session)
            after, wrong = settled(editor, display, ("entries",))
            check("after the restart: the entries list is shown again and fits" +
                  (f" ({'; '.join(wrong)})" if wrong else ""), not wrong)
            check("after the restart: the entries list has the width it had",
                  abs(after["parts"]["entries"]["width"] - before["parts"]["entries"]["width"]) <= 2)
            editor.quit()
        finally:
            display.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print(f"{len(failures)} failed")
        sys.exit(1)


main()
