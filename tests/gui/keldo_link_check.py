#!/usr/bin/env python3
"""The real keldo-link under X, driven as a user would (run inside xsession --wm).

    keldo_link_check.py PROGRAM ARTEFACT_DIR

Steps, each kept as a screenshot in ARTEFACT_DIR:
  start        the window appears with a 317 x 313 client area
  second-copy  a second copy shows "Program Run!" and ends with 0 once answered
  linked       Start clicked with the pointer opens the listener on the
               configured port; a line crosses from a pseudo-terminal device to
               a TCP peer and a reply comes back
  minimised    the window goes to the tray when minimised
  restored     a double-click on the tray icon brings it back, log intact
  exited       "&Exit" from the tray menu ends the process with 0 about
               300 ms later, and its tray icon is gone
The program gets a registry folder of its own, so nothing of the user's is
touched.
"""

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

PROGRAM, ARTEFACTS = sys.argv[1], sys.argv[2]
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


def screenshot(name):
    path = os.path.join(ARTEFACTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def find_window(name, visible=True):
    args = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", name]
    ids = run(*args).split()
    return ids[0] if ids else None


def geometry(window):
    info = run("xwininfo", "-id", window)
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
    return get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"), get("Height")


def tray_icon():
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


def write_hive(folder, port, device_path):
    hive = (
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\r\n"
        '"ServerMode"=dword:00000001\r\n'
        f'"ServerPort"=dword:{port:08x}\r\n'
        '"ServerName"="Bench 3"\r\n'
        f'"COMPort"=dword:{COM_PORT:08x}\r\n'
        '"COMBaud"=dword:00000005\r\n\r\n'
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n"
        f'"{device_path}"="COM{COM_PORT}"\r\n'
    )
    with open(os.path.join(folder, "HKEY_LOCAL_MACHINE.reg"), "w", newline="") as f:
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


def main():
    os.makedirs(ARTEFACTS, exist_ok=True)
    home = tempfile.mkdtemp(prefix="keldo-link-check.")
    env = dict(os.environ, KELDO_REGISTRY_DIR=home, XDG_CONFIG_HOME=os.path.join(home, "config"))
    master, slave = pty.openpty()
    tty.setraw(master)
    port = free_port()
    write_hive(home, port, os.ttyname(slave))

    first = subprocess.Popen([PROGRAM], env=env)
    try:
        window = wait_for(lambda: find_window("^KELDO Link$"), 20, "the main window")
        time.sleep(0.5)
        x, y, w, h = geometry(window)
        start = screenshot("start")
        check((w, h) == (CLIENT_W, CLIENT_H), f"client area {w} x {h}")
        check(first.poll() is None, "the first copy runs")

        second = subprocess.Popen([PROGRAM], env=env)
        box = wait_for(lambda: find_window("^System Message$"), 20, "the second copy's box")
        time.sleep(0.3)
        screenshot("second-copy")
        subprocess.run(["xdotool", "windowactivate", "--sync", box], check=False)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        check(second.wait(10) == 0, "the second copy ends with 0")
        check(first.poll() is None and find_window("^KELDO Link$"), "the first copy is untouched")

        # Start, with the pointer on btnPlay (152, 40, 33 x 33).
        click(x + 152 + 16, y + 40 + 16)

        def accepted():
            try:
                return socket.create_connection(("127.0.0.1", port), timeout=0.2)
            except OSError:
                return None

        peer = wait_for(accepted, 5, f"the listener on port {port}")
        check(True, f"Start opened the listener on port {port}")
        time.sleep(1.2)  # the set-up's wait
        os.write(master, b"W=12.5kg\r")
        got = read_exactly(peer, 9, 5)
        check(got == b"W=12.5kg\r", f"the device line reached the peer ({got!r})")
        peer.sendall(b"P\r")
        got = read_exactly(master, 2, 5)
        check(got == b"P\r", f"the peer's bytes reached the device ({got!r})")
        time.sleep(0.3)
        linked = screenshot("linked")

        subprocess.run(["xdotool", "windowminimize", window], check=True)
        wait_for(lambda: not find_window("^KELDO Link$"), 5, "the window hidden")
        icon = wait_for(tray_icon, 5, "the tray icon")
        screenshot("minimised")
        click(*icon, repeat=2)
        restored_window = wait_for(lambda: find_window("^KELDO Link$"), 5, "the window restored")
        time.sleep(0.5)
        restored = screenshot("restored")
        rx, ry, _, _ = geometry(restored_window)
        check((rx, ry) == (x, y), "restored where it was")
        check(not crop_differs(linked, restored, (x + 4, y + 160, 306, 89)), "the log is intact")

        # "&Exit" from the tray menu: right click, then the item's access key.
        click(*icon, button=3)
        time.sleep(0.5)
        screenshot("tray-menu")
        asked = time.monotonic()
        subprocess.run(["xdotool", "key", "e"], check=True)
        wait_for(lambda: not find_window("^KELDO Link$", visible=False), 5, "the window closed")
        took = time.monotonic() - asked
        check(0.25 <= took <= 1.0, f"the window closed {took * 1000:.0f} ms after Exit")
        check(first.wait(10) == 0, "the program ends with 0")
        check(tray_icon() is None, "the tray icon is gone")
        check(read_exactly(peer, 1, 2) == b"", "the peer was disconnected")
        screenshot("exited")
        peer.close()
    finally:
        if first.poll() is None:
            first.kill()
            first.wait()
        os.close(master)
        os.close(slave)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except CheckFailed as failure:
        print("FAILED:", failure, flush=True)
        sys.exit(1)
