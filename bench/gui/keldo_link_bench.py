#!/usr/bin/env python3
"""Start-up time, idle CPU and peak memory of the real keldo-link (run by hand).

    tests/gui/xsession --wm -- bench/gui/keldo_link_bench.py PROGRAM [--wine PREFIX]

Reports, for PROGRAM (keldo-link, or keldo-link.exe with --wine):
  start-up   process start to its main window mapped on the screen (median of 5)
  idle CPU   CPU time per wall second over 10 s, link stopped, then running
             (server mode on a free port, Start clicked, a pseudo-terminal as
             the device, no peer)
  peak RSS   the process's high-water mark (VmHWM) at the end
  size       the file's size
Settings go to a registry of their own (a temporary folder, or the prefix).
"""

import argparse
import os
import pty
import statistics
import subprocess
import sys
import tempfile
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "gui"))
import keldo_link_check as gui  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def idle_cpu(pid, seconds=10):
    before, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pid) - before) / (time.monotonic() - start) * 100


def program_target(program, wine_prefix):
    """keldo-link with a registry folder of its own, or keldo-link.exe in the prefix."""
    if wine_prefix:
        pictures = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shell",
                                "art", "pictures")
        return gui.WineProgram(program, wine_prefix, pictures)
    return gui.QtProgram(program, tempfile.mkdtemp(prefix="keldo-link-bench."))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--wine", metavar="PREFIX")
    args = parser.parse_args()
    target = program_target(args.program, args.wine)
    port = gui.free_port()
    master, slave = pty.openpty()  # a device that is there and sends nothing
    tty.setraw(master)
    target.configure(port, os.ttyname(slave))
    if args.wine:
        # A running Wine server, as on a desktop where Windows is already up.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=target.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    times = []
    for _ in range(5):
        start = time.monotonic()
        process = target.start()
        gui.wait_for(lambda: gui.find_window("^KELDO Link$"), 60, "the main window")
        times.append((time.monotonic() - start) * 1000)
        process.kill()
        process.wait()
        time.sleep(1)

    process = target.start()
    window = gui.wait_for(lambda: gui.find_window("^KELDO Link$"), 60, "the main window")
    time.sleep(2)
    stopped = idle_cpu(process.pid)
    x, y, _, _ = gui.geometry(window)
    gui.click(x + 152 + 16, y + 40 + 16)
    time.sleep(2)
    running = idle_cpu(process.pid)
    peak = peak_kib(process.pid)
    process.kill()
    process.wait()
    target.finish()

    print(f"program    {args.program}")
    print(f"size       {os.path.getsize(args.program) / 1024:.0f} KiB")
    print(f"start-up   median {statistics.median(times):.0f} ms "
          f"(min {min(times):.0f}, max {max(times):.0f}, 5 runs)")
    print(f"idle CPU   stopped {stopped:.2f} %, running {running:.2f} % of one core")
    print(f"peak RSS   {peak / 1024:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
