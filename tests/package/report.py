"""The package checks' report: one line per check, failures counted."""

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def exit_status():
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0
