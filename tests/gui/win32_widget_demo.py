#!/usr/bin/env python3
"""The Windows widget demo under Wine, in a real X session with a notification area.

Run inside tests/gui/xsession (DISPLAY and KELDO_TRAY_GEOMETRY set). The user's
hand is xdotool; every step keeps a screenshot in the artefacts folder:

  1 the window (client size 360 x 344, the state picture drawn where it belongs,
    the sky-blue status bar) and the tray icon's pixels in the tray;
  2 minimised through the window's own minimise command: the window leaves the
    screen, the icon stays;
  3 a real double-click on the icon restores the window;
  4 a right-click pops the menu up at the pointer; choosing "Next picture"
    runs its handler and the tray shows the next picture;
  5 "Exit" from the menu ends the program with exit code 0 and its icon gone.

Wine's notification area lives per prefix and per Wine server, so the program
runs in a prefix of its own with a server of its own (cmake/wine-run with
KELDO_WINE_DISPLAY), ended afterwards.
"""

import argparse
import os
import re
import subprocess
import sys
import time

from PIL import Image

CAPTION = "KELDO Link widgets"
CLIENT_SIZE = (360, 344)
SKY = (166, 202, 240)
# Where the demo puts its state picture and status bar, in client coordinates.
STATE_PICTURE_AT = (8, 36)
STATUS_BAR = (0, 319, 360, 25)


class CheckFailed(Exception):
    pass


def parse_xpm(path):
    """The picture's opaque pixels: {(x, y): (r, g, b)}, and its size."""
    with open(path, encoding="ascii") as f:
        rows = re.findall(r'"([^"]*)"', f.read())
    width, height, colours, per_pixel = (int(v) for v in rows[0].split()[:4])
    palette = {}
    for line in rows[1 : 1 + colours]:
        key, rest = line[:per_pixel], line[per_pixel:].split()
        value = rest[rest.index("c") + 1]
        palette[key] = None if value.lower() == "none" else tuple(
            int(value[i : i + 2], 16) for i in (1, 3, 5))
    pixels = {}
    for y, row in enumerate(rows[1 + colours : 1 + colours + height]):
        for x in range(width):
            colour = palette[row[x * per_pixel : (x + 1) * per_pixel]]
            if colour is not None:
                pixels[(x, y)] = colour
    return (width, height), pixels


def matches_at(image, picture, left, top):
    (width, height), pixels = picture
    if left < 0 or top < 0 or left + width > image.width or top + height > image.height:
        return False
    return all(image.getpixel((left + x, top + y))[:3] == c for (x, y), c in pixels.items())


def find_picture(image, picture, region):
    """Top-left corner of the picture inside region (x, y, w, h), or None."""
    (width, height), _ = picture
    x0, y0, w, h = region
    for top in range(y0, y0 + h - height + 1):
        for left in range(x0, x0 + w - width + 1):
            if matches_at(image, picture, left, top):
                return left, top
    return None


class Demo:
    def __init__(self, args):
        self.args = args
        self.report_path = os.path.join(args.artefacts, "report.txt")
        self.control_path = os.path.join(args.artefacts, "control.txt")
        self.env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.process = None
        self.shots = 0

    # --- Wine --------------------------------------------------------------------

    def stop_wine(self):
        # This prefix's own server only, with its explorer and tray host.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)

    def start(self):
        for path in (self.report_path, self.control_path):
            if os.path.exists(path):
                os.remove(path)
        self.log = open(os.path.join(self.args.artefacts, "wine.log"), "w")
        # The build's runner makes the prefix and a Wine server for this
        # display, and ends that server afterwards.
        env = dict(self.env, KELDO_WINEPREFIX=self.args.prefix, KELDO_WINE_DISPLAY="1")
        self.process = subprocess.Popen(
            [self.args.wine_run, self.args.exe, "--report", "Z:" + self.report_path,
             "--control", "Z:" + self.control_path],
            env=env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)

    # --- Looking --------------------------------------------------------------------

    def report(self):
        try:
            with open(self.report_path, encoding="latin-1") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_for_line(self, line, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if line in self.report():
                return
            if self.process.poll() is not None and line not in self.report():
                raise CheckFailed(f"the program ended before reporting {line!r}")
            time.sleep(0.1)
        raise CheckFailed(f"no {line!r} within {timeout} s; report: {self.report()}")

    def windows(self):
        """Visible windows of the program: [(id, x, y, w, h)]."""
        found = subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--classname", os.path.basename(self.args.exe)],
            capture_output=True, text=True).stdout.split()
        result = []
        for window in found:
            info = subprocess.run(["xwininfo", "-id", window], capture_output=True,
                                  text=True).stdout
            values = [int(re.search(p + r":\s+(-?\d+)", info).group(1)) for p in
                      ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
            if "IsViewable" in info:
                result.append((window, *values))
        return result

    def form(self):
        named = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", CAPTION],
                               capture_output=True, text=True).stdout.split()
        # The application's own window carries the title too, at no size.
        return [w for w in self.windows() if w[0] in named and w[3] > 1 and w[4] > 1]

    def wait_until(self, condition, what, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = condition()
            if value:
                return value
            time.sleep(0.1)
        raise CheckFailed(f"{what} not within {timeout} s")

    def screenshot(self, name):
        self.shots += 1
        path = os.path.join(self.args.artefacts, f"{self.shots}-{name}.png")
        subprocess.run(["import", "-window", "root", path], check=True)
        print(f"screenshot: {path}")
        return Image.open(path).convert("RGB")

    def screenshot_until(self, name, check, what, timeout=10):
        """Screenshots until check(image) is true: a window paints some time
        after it is mapped. Returns the image and check's value."""
        deadline = time.monotonic() + timeout
        while True:
            shot = self.screenshot(name)
            value = check(shot)
            if value:
                return shot, value
            if time.monotonic() > deadline:
                raise CheckFailed(f"{what} (see {name})")
            time.sleep(0.5)

    # --- The hand ---------------------------------------------------------------------

    @staticmethod
    def xdotool(*args):
        subprocess.run(["xdotool", *args], check=True)

    def popped_menu(self, form_window):
        menus = [w for w in self.windows() if w[0] != form_window and w[3] > 1 and w[4] > 1]
        return menus[0] if menus else None

    @staticmethod
    def menu_rows(image, menu):
        """The vertical middles of the menu's text rows, top to bottom."""
        _, x, y, w, h = menu
        rows = []
        for row in range(y + 2, y + h - 2):
            dark = any(sum(image.getpixel((col, row))) < 150 for col in range(x + 3, x + w - 3))
            rows.append(dark)
        # Rows of dark pixels, a gap of up to 3 rows (an underlined access key)
        # kept inside one band.
        bands = []
        for i, dark in enumerate(rows):
            if not dark:
                continue
            if bands and i - bands[-1][1] <= 4:
                bands[-1][1] = i
            else:
                bands.append([i, i])
        return [y + 2 + (first + last) // 2 for first, last in bands]

    def choose_from_menu(self, icon_at, form_window, caption_index, name):
        # Two right-clicks on the icon within the double-click time are a
        # right double-click, which restores.
        time.sleep(0.7)
        self.xdotool("mousemove", str(icon_at[0]), str(icon_at[1]), "click", "3")
        menu = self.wait_until(lambda: self.popped_menu(form_window), "the pop-up menu")
        # Three items with text: Restore, Next picture, Exit (and a separator).
        _, rows = self.screenshot_until(
            f"menu-{name}", lambda image: (lambda r: r if len(r) == 3 else None)(
                self.menu_rows(image, menu)), f"the menu {menu} does not show 3 items")
        print(f"ok: the menu popped up at {menu[1]},{menu[2]} ({menu[3]} x {menu[4]})")
        self.xdotool("mousemove", str(menu[1] + menu[3] // 2), str(rows[caption_index]),
                     "click", "1")


def run(args):
    tray = [int(v) for v in os.environ["KELDO_TRAY_GEOMETRY"].split()]
    pictures = {name: parse_xpm(os.path.join(args.pictures, name + ".xpm"))
                for name in ("tray_run", "tray_stop", "tray_pause", "state_stop")}
    demo = Demo(args)
    try:
        demo.start()
        demo.wait_for_line("painted", timeout=90)
        demo.wait_for_line("tray icon shown", timeout=30)
        form = demo.wait_until(demo.form, "the window")[0]
        window, wx, wy, ww, wh = form

        # The tray host may take a moment to draw the icon it docked.
        shot, icon = demo.screenshot_until(
            "shown", lambda image: find_picture(image, pictures["tray_stop"], tray),
            "the Stop picture is not in the tray area", timeout=20)
        icon_at = (icon[0] + 8, icon[1] + 8)
        print(f"ok: the tray shows the Stop picture at {icon[0]},{icon[1]}")

        # The window's frame is Wine's own drawing (no window manager): the
        # client area is found by the state picture the demo draws at (8, 36).
        shot, at = demo.screenshot_until(
            "shown", lambda image: find_picture(image, pictures["state_stop"], (wx, wy, ww, wh)),
            "the state picture is not drawn in the window")
        cx, cy = at[0] - STATE_PICTURE_AT[0], at[1] - STATE_PICTURE_AT[1]
        border = cx - wx
        client = (ww - 2 * border, wy + wh - border - cy)
        if border < 0 or client != CLIENT_SIZE:
            raise CheckFailed(f"client area {client[0]} x {client[1]} (window {ww} x {wh}, "
                              f"client at +{cx - wx}+{cy - wy}), not {CLIENT_SIZE}")
        print(f"ok: the window's client area is {client[0]} x {client[1]}")
        frame = (cx - wx, cy - wy)
        wx, wy = cx, cy
        bx, by, bw, bh = STATUS_BAR
        sky = sum(shot.getpixel((wx + x, wy + y)) == SKY for x in range(bx, bx + bw)
                  for y in range(by, by + bh))
        if sky < bw * bh // 2:
            raise CheckFailed(f"the status bar is not sky blue ({sky} of {bw * bh} pixels)")
        print("ok: the sky-blue status bar is drawn")

        # The pointer resting on a picture button shows its hint.
        button = (wx + 128 + 16, wy + 36 + 16)
        demo.xdotool("mousemove", str(button[0]), str(button[1] - 2))
        demo.xdotool("mousemove", str(button[0]), str(button[1]))
        tip = demo.wait_until(lambda: demo.popped_menu(window), "the button's hint", timeout=10)
        demo.screenshot("hint")
        print(f"ok: the button's hint shows ({tip[3]} x {tip[4]} at {tip[1]},{tip[2]})")
        demo.xdotool("mousemove", str(icon_at[0]), str(icon_at[1]))
        demo.wait_until(lambda: not demo.popped_menu(window), "the hint going away", timeout=10)

        with open(demo.control_path, "w") as f:
            f.write("minimize\n")
        demo.wait_for_line("minimized")
        demo.wait_until(lambda: not demo.form(), "the window leaving the screen")
        shot = demo.screenshot("minimized")
        if find_picture(shot, pictures["tray_stop"], tray) is None:
            raise CheckFailed("the icon left the tray with the window")
        print("ok: minimised, the window left the screen and the icon stayed")

        demo.xdotool("mousemove", str(icon_at[0]), str(icon_at[1]), "click", "--repeat", "2",
                     "--delay", "80", "1")
        demo.wait_for_line("restored")
        restored = demo.wait_until(demo.form, "the window coming back")[0]
        demo.screenshot_until(
            "restored", lambda image: matches_at(image, pictures["state_stop"],
                                                 restored[1] + frame[0] + STATE_PICTURE_AT[0],
                                                 restored[2] + frame[1] + STATE_PICTURE_AT[1]),
            "the restored window does not show its picture")
        print("ok: a double-click on the icon restored the window")

        demo.choose_from_menu(icon_at, restored[0], 1, "next-picture")
        demo.wait_for_line("menu: &Next picture")
        demo.wait_for_line("state Pause")
        demo.screenshot_until(
            "next-picture", lambda image: find_picture(image, pictures["tray_pause"], tray),
            "the tray does not show the Pause picture")
        print("ok: the chosen item ran its handler and the tray shows the Pause picture")

        demo.choose_from_menu(icon_at, restored[0], 2, "exit")
        demo.wait_for_line("menu: &Exit")
        if demo.report().count("restored") != 1:
            raise CheckFailed(f"restored more than once: {demo.report()}")
        try:
            code = demo.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise CheckFailed("the program did not end after Exit")
        if code != 0:
            raise CheckFailed(f"exit code {code}")
        ended = [line for line in demo.report() if line.startswith("exit ")]
        print(f"ok: the program ended with exit code 0 ({ended[-1] if ended else ''} KiB peak)")
        time.sleep(1)
        shot = demo.screenshot("ended")
        left = [name for name in ("tray_run", "tray_stop", "tray_pause")
                if find_picture(shot, pictures[name], tray) is not None]
        if left:
            raise CheckFailed(f"the icon is still in the tray ({left})")
        print("ok: the icon is gone from the tray")
    finally:
        if demo.process is not None and demo.process.poll() is None:
            demo.process.kill()
        demo.stop_wine()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--artefacts", required=True)
    parser.add_argument("--pictures", required=True)
    args = parser.parse_args()
    os.makedirs(args.artefacts, exist_ok=True)
    for old in os.listdir(args.artefacts):
        if old.endswith(".png"):
            os.remove(os.path.join(args.artefacts, old))
    try:
        run(args)
    except CheckFailed as failure:
        print(f"FAIL: {failure}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
