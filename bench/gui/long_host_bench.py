#!/usr/bin/env python3
"""Start-up of the real keldo-link with a long ServerHost (run by hand).

    tests/gui/xsession --wm -- bench/gui/long_host_bench.py PROGRAM [--wine PREFIX]
        [--sizes 30000,100000] [--runs 1]

For each size, the settings hold client mode and a ServerHost of that many
bytes (one word, no spaces: the log must break it inside the word), which the
start-up reports in the log. Measured: from the process start to the
configuration dialog on the screen, the Config button being clicked as soon
as the main window is there, so the figure is the time until the window
takes commands again; and the program's CPU time by then. Settings go to a
registry of their own (a temporary folder, or the prefix).
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "gui"))
import keldo_link_check as gui  # noqa: E402
from keldo_link_bench import cpu_seconds, program_target  # noqa: E402


def hive(host_bytes):
    return ("REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\r\n"
            '"ServerMode"=dword:00000000\r\n'
            f'"ServerHost"="{"h" * host_bytes}"\r\n'
            '"ServerPort"=dword:00001389\r\n'
            '"ServerAutoStart"=dword:00000000\r\n\r\n')


def configure(target, args, host_bytes):
    if not args.wine:
        with open(os.path.join(target.home, "HKEY_LOCAL_MACHINE.reg"), "w", newline="") as f:
            f.write(hive(host_bytes))
        return
    reg = os.path.join(args.wine, "keldo-long-host.reg")
    with open(reg, "w", newline="") as f:
        f.write(hive(host_bytes))
    subprocess.run(["wine", "regedit", "/S", "Z:" + reg], env=target.env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)


def usable_after(target, timeout):
    """Seconds from the start to the dialog opened by Config, and CPU seconds."""
    # Off the button: a move to where the pointer already is never syncs.
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
    start = time.monotonic()
    process = target.start()
    try:
        window = gui.wait_for(lambda: gui.find_window("^KELDO Link$"), timeout, "the main window")
        x, y, _, _ = gui.geometry(window)
        gui.click(x + 236 + 16, y + 252 + 16)  # btnConfig
        gui.wait_for(lambda: gui.find_window("^KELDO Link Config$"), timeout, "the dialog")
        wall = time.monotonic() - start
        return wall, cpu_seconds(process.pid)
    finally:
        process.kill()
        process.wait()
        target.finish()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--wine", metavar="PREFIX")
    parser.add_argument("--sizes", default="30000,100000")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=600)
    args = parser.parse_args()
    target = program_target(args.program, args.wine)
    print(f"program    {args.program}")
    for size in (int(s) for s in args.sizes.split(",")):
        configure(target, args, size)
        runs = []
        for _ in range(args.runs):
            if args.wine:
                # A running Wine server, as on a desktop where Windows is already up.
                subprocess.run(["wine", "cmd", "/c", "exit"], env=target.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            runs.append(usable_after(target, args.timeout))
        walls = [wall for wall, _ in runs]
        cpus = [cpu for _, cpu in runs]
        print(f"host {size:>7} bytes   start to Config answered: median {statistics.median(walls):.2f} s "
              f"(min {min(walls):.2f}, max {max(walls):.2f}), CPU {statistics.median(cpus):.2f} s, "
              f"{args.runs} run(s)", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
