#!/usr/bin/env python3
"""The real keldo-link under X, driven as a user would (run inside xsession --wm).

    keldo_link_check.py PROGRAM ARTEFACT_DIR [--wine PREFIX --pictures DIR]

With --wine, PROGRAM is keldo-link.exe, run under Wine in PREFIX (a prefix of
its own: Wine's tray host lives per prefix and server); its settings go into
that prefix's registry and COM7 is a dosdevices link to the pseudo-terminal.

Steps, each kept as a screenshot in ARTEFACT_DIR:
  start        the window appears with a 317 x 313 client area
  second-copy  a second copy shows "Program Run!" and ends with 0 once answered
  hint         the pointer resting on the Pause button, disabled while the link
               is stopped, shows the button's hint
  linked       Start clicked with the pointer opens the listener on the
               configured port; a line crosses from a pseudo-terminal device to
               a TCP peer and a reply comes back
  minimised    the window goes to the tray when minimised
  restored     a double-click on the tray icon brings it back, log intact
  exited       "&Exit" from the tray menu closes the window about 300 ms later
               and ends the process with 0 soon after, and its tray icon is gone
The program gets a registry folder of its own, so nothing of the user's is
touched.
"""

import argparse
import fcntl
import os
import pty
import re
import select
import socket
import subprocess
import sys
import tempfile
import time
import tty

COM_PORT = 7
CLIENT_W, CLIENT_H = 317, 313


class CheckFailed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise CheckFailed(what)
    print("ok:", what, flush=True)


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=False).stdout


def wait_for(predicate, timeout, what):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise CheckFailed("timed out: " + what)


ARTEFACTS = "."


def screenshot(name):
    path = os.path.join(ARTEFACTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def find_window(name, visible=True):
    args = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", name]
    for window in run(*args).split():
        info = run("xwininfo", "-id", window)
        size = re.search(r"Width:\s+(\d+).*?Height:\s+(\d+)", info, re.S)
        if size and int(size.group(1)) > 1 and int(size.group(2)) > 1:
            return window
    return None


def geometry(window):
    info = run("xwininfo", "-id", window)
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


def qt_tray_icon():
    """The program's icon docked in trayer: its centre, or None."""
    for line in run("xwininfo", "-root", "-tree").splitlines():
        m = re.search(r'"keldo-link": \("keldo-link" "keldo-link"\)\s+(\d+)x(\d+)\+\S+\s+\+(-?\d+)\+(-?\d+)', line)
        if m:
            w, h, x, y = map(int, m.groups())
            if w < 64 and h < 64:  # not the main window
                return x + w // 2, y + h // 2
    return None


def click(x, y, button=1, repeat=1):
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)
    subprocess.run(["xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button)],
                   check=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def crop_differs(a, b, box):
    """Whether two screenshots differ inside box (x, y, w, h)."""
    x, y, w, h = box
    geometry_arg = f"{w}x{h}+{x}+{y}"
    out = subprocess.run(["compare", "-metric", "AE", "-extract", geometry_arg, a, b, "null:"],
                         capture_output=True, text=True, check=False)
    return out.stderr.strip().split()[0] != "0"


def write_hive(path, port, serial_comm):
    hive = (
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\r\n"
        '"ServerMode"=dword:00000001\r\n'
        f'"ServerPort"=dword:{port:08x}\r\n'
        '"ServerName"="Bench 3"\r\n'
        '"ServerAutoStart"=dword:00000000\r\n'
        f'"COMPort"=dword:{COM_PORT:08x}\r\n'
        '"COMBaud"=dword:00000005\r\n\r\n'
    )
    if serial_comm:
        hive += "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n" + serial_comm
    with open(path, "w", newline="") as f:
        f.write(hive)


def read_exactly(fd_or_sock, count, timeout):
    data = b""
    end = time.monotonic() + timeout
    while len(data) < count and time.monotonic() < end:
        ready, _, _ = select.select([fd_or_sock], [], [], 0.1)
        if ready:
            chunk = fd_or_sock.recv(4096) if isinstance(fd_or_sock, socket.socket) else os.read(fd_or_sock, 4096)
            if not chunk:
                break
            data += chunk
    return data


def check_scaled(target, scale, master, slave):
    """The whole window scales with the desktop, so nothing is clipped."""
    target.env["QT_SCALE_FACTOR"] = str(scale)
    first = target.start()
    try:
        window = wait_for(lambda: find_window("^KELDO Link$"), 60, "the main window")
        time.sleep(1)
        _, _, w, h = geometry(window)
        screenshot(f"scaled-{scale:g}")
        want = (round(CLIENT_W * scale), round(CLIENT_H * scale))
        check(abs(w - want[0]) <= 1 and abs(h - want[1]) <= 1,
              f"at scale {scale:g} the client area is {w} x {h} (layout {want[0]} x {want[1]})")
    finally:
        first.kill()
        first.wait()
        target.finish()
        os.close(master)
        os.close(slave)
    return 0


class QtProgram:
    """keldo-link on Linux, with a registry folder of its own."""

    def __init__(self, program, home):
        self.program = program
        self.env = dict(os.environ, KELDO_REGISTRY_DIR=home,
                        XDG_CONFIG_HOME=os.path.join(home, "config"))
        self.home = home

    def configure(self, port, device_path):
        write_hive(os.path.join(self.home, "HKEY_LOCAL_MACHINE.reg"), port,
                   f'"{device_path}"="COM{COM_PORT}"\r\n')

    def start(self):
        return subprocess.Popen([self.program], env=self.env)

    def tray_icon(self):
        return qt_tray_icon()

    def finish(self):
        pass


class WineProgram:
    """keldo-link.exe under Wine, in a prefix and with a Wine server of its own."""

    def __init__(self, program, prefix, pictures):
        self.program = program
        self.prefix = prefix
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import win32_widget_demo as demo  # the tray picture finder
        self.demo = demo
        self.pictures = [demo.parse_xpm(os.path.join(pictures, name + ".xpm"))
                         for name in ("tray_run", "tray_stop", "tray_pause")]
        os.makedirs(prefix, exist_ok=True)
        with open(prefix + ".lock", "w") as lock:  # made as cmake/wine-run makes its prefix
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not os.path.exists(os.path.join(prefix, ".keldo-ready")):
                env = {k: v for k, v in self.env.items() if k != "DISPLAY"}
                subprocess.run(["wineboot", "-i"], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run(["wineserver", "-w"], env=env)
                open(os.path.join(prefix, ".keldo-ready"), "w").close()
        self.finish()

    def configure(self, port, device_path):
        reg = os.path.join(self.prefix, "keldo-check.reg")
        write_hive(reg, port, "")
        subprocess.run(["wine", "regedit", "/S", "Z:" + reg], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        subprocess.run(["wine", "reg", "delete",
                        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "/v", "KELDOLink", "/f"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        link = os.path.join(self.prefix, "dosdevices", f"com{COM_PORT}")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(device_path, link)

    def start(self):
        return subprocess.Popen(["wine", self.program], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def tray_icon(self):
        tray = [int(v) for v in os.environ["KELDO_TRAY_GEOMETRY"].split()]
        path = screenshot("tray-probe")
        from PIL import Image
        image = Image.open(path).convert("RGB")
        for picture in self.pictures:
            at = self.demo.find_picture(image, picture, tray)
            if at is not None:
                return at[0] + 8, at[1] + 8
        return None

    def finish(self):
        # This prefix's own server only, with its explorer and tray host.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)


def main():
    global ARTEFACTS
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("artefacts")
    parser.add_argument("--wine", metavar="PREFIX")
    parser.add_argument("--pictures")
    parser.add_argument("--scale", type=float,
                        help="only start under this desktop scale factor and check the size")
    args = parser.parse_args()
    ARTEFACTS = args.artefacts
    os.makedirs(ARTEFACTS, exist_ok=True)
    home = tempfile.mkdtemp(prefix="keldo-link-check.")
    target = (WineProgram(args.program, args.wine, args.pictures) if args.wine
              else QtProgram(args.program, home))
    master, slave = pty.openpty()
    tty.setraw(master)
    port = free_port()
    target.configure(port, os.ttyname(slave))

    if args.scale:
        return check_scaled(target, args.scale, master, slave)

    first = target.start()
    try:
        window = wait_for(lambda: find_window("^KELDO Link$"), 60, "the main window")
        time.sleep(1)
        x, y, w, h = geometry(window)
        screenshot("start")
        check((w, h) == (CLIENT_W, CLIENT_H), f"client area {w} x {h}")
        check(first.poll() is None, "the first copy runs")
        icon = wait_for(target.tray_icon, 20, "the tray icon")

        second = target.start()
        box = wait_for(lambda: find_window("^System Message$"), 30, "the second copy's box")
        time.sleep(0.5)
        screenshot("second-copy")
        subprocess.run(["xdotool", "windowactivate", "--sync", box], check=False)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        check(second.wait(20) == 0, "the second copy ends with 0")
        check(first.poll() is None and find_window("^KELDO Link$"), "the first copy is untouched")

        # The hint of the Pause button (152, 80, 33 x 33), disabled while stopped.
        plain = screenshot("before-hint")
        pause = (x + 152 + 16, y + 80 + 16)
        subprocess.run(["xdotool", "mousemove", "--sync", str(pause[0] - 3), str(pause[1] - 3)],
                       check=True)
        subprocess.run(["xdotool", "mousemove", "--sync", str(pause[0]), str(pause[1])],
                       check=True)
        near = (pause[0] - 150, pause[1] - 40, 300, 100)
        wait_for(lambda: crop_differs(plain, screenshot("hint"), near), 10,
                 "the disabled Pause button's hint")
        check(True, "the disabled Pause button shows its hint")

        # Start, with the pointer on btnPlay (152, 40, 33 x 33).
        click(x + 152 + 16, y + 40 + 16)

        def accepted():
            try:
                return socket.create_connection(("127.0.0.1", port), timeout=0.2)
            except OSError:
                return None

        peer = wait_for(accepted, 10, f"the listener on port {port}")
        check(True, f"Start opened the listener on port {port}")
        time.sleep(1.5)  # the set-up's wait
        os.write(master, b"W=12.5kg\r")
        got = read_exactly(peer, 9, 5)
        check(got == b"W=12.5kg\r", f"the device line reached the peer ({got!r})")
        peer.sendall(b"P\r")
        got = read_exactly(master, 2, 5)
        check(got == b"P\r", f"the peer's bytes reached the device ({got!r})")
        time.sleep(0.5)
        linked = screenshot("linked")

        subprocess.run(["xdotool", "windowminimize", window], check=True)
        wait_for(lambda: not find_window("^KELDO Link$"), 5, "the window hidden")
        time.sleep(0.5)
        icon = wait_for(target.tray_icon, 10, "the tray icon")
        screenshot("minimised")
        click(*icon, repeat=2)
        restored_window = wait_for(lambda: find_window("^KELDO Link$"), 5, "the window restored")
        time.sleep(1)
        restored = screenshot("restored")
        rx, ry, _, _ = geometry(restored_window)
        check((rx, ry) == (x, y), "restored where it was")
        check(not crop_differs(linked, restored, (x + 4, y + 160, 306, 89)), "the log is intact")

        # "&Exit" from the tray menu: right click, then the item's access key.
        click(*icon, button=3)
        time.sleep(1)
        screenshot("tray-menu")
        asked = time.monotonic()
        subprocess.run(["xdotool", "key", "e"], check=True)
        wait_for(lambda: not find_window("^KELDO Link$", visible=False), 5, "the window closed")
        took = time.monotonic() - asked
        check(0.25 <= took <= 1.5, f"the window closed {took * 1000:.0f} ms after Exit")
        code = first.wait(20)
        ended = time.monotonic() - asked
        check(code == 0, "the program ends with 0")
        # Leak checking at exit takes a second under the sanitizers.
        check(ended <= 3.0, f"the program ended {ended * 1000:.0f} ms after Exit")
        time.sleep(0.5)
        check(target.tray_icon() is None, "the tray icon is gone")
        check(read_exactly(peer, 1, 2) == b"", "the peer was disconnected")
        screenshot("exited")
        peer.close()
    finally:
        if first.poll() is None:
            first.kill()
            first.wait()
        target.finish()
        os.close(master)
        os.close(slave)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except CheckFailed as failure:
        print("FAILED:", failure, flush=True)
        sys.exit(1)
