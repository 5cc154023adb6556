#!/usr/bin/env python3
"""The widget demo in a real X session (run inside tests/gui/xsession --wm).

Checks, keeping a screenshot of each step in --artefacts:
- the window shows at its client size with its sky-blue log view, and the
  tray icon's pixels are in the notification area;
- the user's minimise hides the window to the tray, and a real double-click
  on the tray icon restores it;
- a right-click pops the menu up, and an item chosen from it runs its
  handler (the icon then changes picture);
- "&Exit" from the menu ends the program with exit code 0 and its icon
  leaves the tray.

With --late-tray (inside xsession --wm --no-tray) the notification area comes
and goes while the program runs: without it a minimised window stays
iconified and reachable; when a tray appears the icon is added and the
window leaves the taskbar; when the tray goes the window comes back to the
taskbar; a new tray gets the icon again.
"""
import argparse
import glob
import os
import queue
import subprocess
import sys
import threading
import time

CAPTION = "KELDO Link widgets"
CLIENT_SIZE = (360, 344)
SKY_BLUE = (166, 202, 240)
LOG_POINT = (158, 266)  # inside the log view, in client coordinates
ICON = 16
DOUBLE_CLICK_S = 0.6  # above Qt's 400 ms double-click interval


class Failure(Exception):
    pass


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def raw_pixels(path, crop=None, channels="rgb"):
    args = ["convert", path]
    if crop:
        args += ["-crop", "%dx%d+%d+%d" % crop, "+repage"]
    args += ["-depth", "8", channels + ":-"]
    return subprocess.run(args, check=True, capture_output=True).stdout


class Demo:
    def __init__(self, exe, pictures):
        self.proc = subprocess.Popen(
            [exe, "--save-tray-pictures", pictures],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))

    def expect(self, wanted, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=0.1)
            except queue.Empty:
                continue
            self.seen.append(line)
            if line == wanted:
                return
        raise Failure("the demo did not report %r (it said: %s)" % (wanted, self.seen))


class Session:
    def __init__(self, artefacts):
        self.artefacts = artefacts
        for old in glob.glob(os.path.join(artefacts, "*.png")):
            os.remove(old)
        self.tray = None
        self.trayer = None
        geometry = os.environ.get("KELDO_TRAY_GEOMETRY", "")
        if geometry:
            x, y, w, h = (int(v) for v in geometry.split())
            self.tray = (w, h, x, y)
        self.step = 0

    def start_tray(self):
        """A trayer of our own, as tests/gui/xsession starts it."""
        self.trayer = subprocess.Popen(
            ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
             "--width", "120", "--heighttype", "pixel", "--height", "24",
             "--SetDockType", "true"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"],
                                   capture_output=True, text=True).stdout.split()
            if found:
                info = window_info(found[0])
                self.tray = (int(info["Width"]), int(info["Height"]),
                             int(info["Absolute upper-left X"]),
                             int(info["Absolute upper-left Y"]))
                return
            time.sleep(0.1)
        raise Failure("trayer did not start")

    def stop_tray(self):
        self.trayer.terminate()
        self.trayer.wait()
        self.trayer = None

    def shot(self, name):
        self.step += 1
        path = os.path.join(self.artefacts, "%02d-%s.png" % (self.step, name))
        run("import", "-window", "root", path)
        return path

    def find_icon(self, shot, picture):
        """Top-left of the picture's opaque pixels inside the tray, or None."""
        rgba = raw_pixels(picture, channels="rgba")
        want = [(i % ICON, i // ICON, tuple(rgba[4 * i:4 * i + 3]))
                for i in range(ICON * ICON) if rgba[4 * i + 3] == 255]
        w, h, _, _ = self.tray
        area = raw_pixels(shot, crop=self.tray)
        for oy in range(h - ICON + 1):
            for ox in range(w - ICON + 1):
                if all(tuple(area[3 * ((oy + y) * w + ox + x):3 * ((oy + y) * w + ox + x) + 3]) == c
                       for x, y, c in want):
                    return self.tray[2] + ox, self.tray[3] + oy
        return None

    def wait_icon(self, picture, name, present=True, timeout=10):
        deadline = time.monotonic() + timeout
        while True:
            shot = self.shot(name)
            at = self.find_icon(shot, picture)
            if (at is not None) == present:
                return at
            if time.monotonic() > deadline:
                raise Failure("%s: the tray icon %s %s" % (
                    name, os.path.basename(picture), "is missing" if present else "is still there"))
            time.sleep(0.5)


def window_info(wid):
    info = {}
    for line in run("xwininfo", "-id", wid).splitlines():
        key, _, value = line.strip().partition(":")
        info[key] = value.strip()
    return info


def wait_map_state(wid, viewable, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if (window_info(wid)["Map State"] == "IsViewable") == viewable:
            return
        time.sleep(0.1)
    raise Failure("the window is %s" % ("not shown" if viewable else "still shown"))


def visible_windows(pid):
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                            capture_output=True, text=True)
    return set(result.stdout.split())


def wait_new_window(pid, before, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if visible_windows(pid) - before:
            return
        time.sleep(0.1)
    raise Failure("no pop-up menu appeared (windows before %s, now %s)" % (before, visible_windows(pid)))


def wm_state(wid):
    out = subprocess.run(["xprop", "-id", wid, "WM_STATE"], capture_output=True, text=True).stdout
    for state in ("Normal", "Iconic"):
        if "window state: " + state in out:
            return state
    return "Withdrawn"


def wait_wm_state(wid, wanted, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if wm_state(wid) == wanted:
            return
        time.sleep(0.1)
    raise Failure("the window is %s, expected %s" % (wm_state(wid), wanted))


def check_late_tray(demo_exe, artefacts):
    os.makedirs(artefacts, exist_ok=True)
    session = Session(artefacts)
    pictures = os.path.join(artefacts, "pictures")
    stop_picture = os.path.join(pictures, "tray-1.png")
    demo = Demo(demo_exe, pictures)
    try:
        demo.expect("tray icon waiting for the notification area")
        demo.expect("painted")
        wid = run("xdotool", "search", "--sync", "--onlyvisible", "--name", CAPTION).split()[0]

        # No notification area: minimised, the window keeps its taskbar entry
        # (the tray icon sees the command only while its icon is shown).
        run("xdotool", "windowminimize", wid)
        wait_wm_state(wid, "Iconic")
        session.shot("minimized-without-tray")

        # A tray appears: the icon goes in, the entry goes away.
        session.start_tray()
        session.wait_icon(stop_picture, "tray-appeared")
        wait_wm_state(wid, "Withdrawn")

        # The tray goes: the window is back on the taskbar, still minimised.
        session.stop_tray()
        wait_wm_state(wid, "Iconic")
        session.shot("tray-gone")

        # A new tray gets the icon again, and the icon works.
        session.start_tray()
        at = session.wait_icon(stop_picture, "tray-again")
        wait_wm_state(wid, "Withdrawn")
        run("xdotool", "mousemove", str(at[0] + ICON // 2), str(at[1] + ICON // 2), "click",
            "--repeat", "2", "--delay", "80", "1")
        demo.expect("restored")
        wait_map_state(wid, viewable=True)
        session.shot("restored")
        # The window manager's close (Alt+F4): the form's close request.
        run("xdotool", "windowactivate", "--sync", wid)
        run("xdotool", "key", "alt+F4")
        code = demo.proc.wait(timeout=20)
        if code != 0:
            raise Failure("exit code %d: %s" % (code, demo.proc.stderr.read()))
    finally:
        if demo.proc.poll() is None:
            demo.proc.kill()
            demo.proc.wait()
        if session.trayer is not None:
            session.stop_tray()
    print("widget demo with a late tray: all checks passed; screenshots in %s" % artefacts)


def check(demo_exe, artefacts):
    os.makedirs(artefacts, exist_ok=True)
    session = Session(artefacts)
    pictures = os.path.join(artefacts, "pictures")
    demo = Demo(demo_exe, pictures)
    try:
        demo.expect("tray icon shown")
        demo.expect("painted")
        wid = run("xdotool", "search", "--sync", "--onlyvisible", "--name", CAPTION).split()[0]

        # The window and the icon.
        info = window_info(wid)
        size = (int(info["Width"]), int(info["Height"]))
        if size != CLIENT_SIZE:
            raise Failure("client size %s, expected %s" % (size, CLIENT_SIZE))
        stop_picture = os.path.join(pictures, "tray-1.png")
        at = session.wait_icon(stop_picture, "shown")
        shot = os.path.join(artefacts, "%02d-shown.png" % session.step)
        x = int(info["Absolute upper-left X"]) + LOG_POINT[0]
        y = int(info["Absolute upper-left Y"]) + LOG_POINT[1]
        colour = tuple(raw_pixels(shot, crop=(1, 1, x, y)))
        if colour != SKY_BLUE:
            raise Failure("the log view is %s at %d,%d, expected %s" % (colour, x, y, SKY_BLUE))
        icon_x, icon_y = at[0] + ICON // 2, at[1] + ICON // 2

        # The user's minimise goes to the tray; a double-click brings it back.
        run("xdotool", "windowminimize", wid)
        demo.expect("minimized")
        wait_map_state(wid, viewable=False)
        session.shot("minimized")
        run("xdotool", "mousemove", str(icon_x), str(icon_y), "click", "--repeat", "2",
            "--delay", "80", "1")
        demo.expect("restored")
        wait_map_state(wid, viewable=True)
        session.shot("restored")

        # The menu on a right-click; its item's handler runs.
        before = visible_windows(demo.proc.pid)
        last_right = time.monotonic()
        run("xdotool", "mousemove", str(icon_x), str(icon_y), "click", "3")
        wait_new_window(demo.proc.pid, before)
        session.shot("menu")
        run("xdotool", "key", "n")
        demo.expect("menu: &Next picture")
        session.wait_icon(os.path.join(pictures, "tray-2.png"), "next-picture")

        # Exit from the menu: exit code 0, icon gone. Two right presses
        # within the double-click time are a right double-click, which Qt's
        # tray icon drops, as a user's hand would not press so fast.
        time.sleep(max(0.0, last_right + DOUBLE_CLICK_S - time.monotonic()))
        before = visible_windows(demo.proc.pid)
        run("xdotool", "mousemove", str(icon_x), str(icon_y), "click", "3")
        wait_new_window(demo.proc.pid, before)
        run("xdotool", "key", "e")
        demo.expect("menu: &Exit")
        code = demo.proc.wait(timeout=20)
        if code != 0:
            raise Failure("exit code %d: %s" % (code, demo.proc.stderr.read()))
        for picture in ("tray-0.png", "tray-1.png", "tray-2.png"):
            session.wait_icon(os.path.join(pictures, picture), "ended", present=False)
    finally:
        if demo.proc.poll() is None:
            demo.proc.kill()
            demo.proc.wait()
    print("widget demo: all checks passed; screenshots in %s" % artefacts)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--demo", required=True)
    parser.add_argument("--artefacts", required=True)
    parser.add_argument("--late-tray", action="store_true")
    args = parser.parse_args()
    try:
        (check_late_tray if args.late_tray else check)(args.demo, args.artefacts)
    except (Failure, subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
        print("widget demo check failed: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
