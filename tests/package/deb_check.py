#!/usr/bin/env python3
"""The Debian packages as a user gets them: made by cpack from the build,
checked by lintian, unpacked, and their files and programs looked at.

Usage: deb_check.py --build DIR --out DIR --version X.Y.Z
Prints every failure and exits 1 if there was one."""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

from report import check, exit_status

ICONS = [f"usr/share/icons/hicolor/{n}x{n}/apps/keldo-link.png" for n in (16, 24, 32, 48, 64, 128)]
DOCS = ["usr/share/doc/{p}/copyright", "usr/share/doc/{p}/changelog.gz"]

# Every file and link each package installs; nothing more, nothing less.
LAYOUT = {
    "keldo-link": [
        "usr/bin/keldo-link",
        "usr/share/applications/keldo-link.desktop",
        "usr/share/metainfo/com.talmo.keldo_link.metainfo.xml",
        "usr/share/man/man1/keldo-link.1.gz",
        *ICONS,
    ],
    "keldo-linkd": [
        "usr/bin/keldo-linkd",
        "usr/lib/systemd/system/keldo-linkd.service",
        "usr/lib/systemd/system/keldo-linkd@.service",
        "usr/share/man/man1/keldo-linkd.1.gz",
    ],
}

# Libraries a package must and must not depend on: the daemon runs where
# there is no desktop.
DEPENDS = {
    "keldo-link": (["libc6", "libqt6core6", "libqt6widgets6"], []),
    "keldo-linkd": (["libc6", "libqt6core6"], ["libqt6gui6", "libqt6widgets6"]),
}

def run(*cmd, env=None):
    return subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=300)


def dependency_names(depends):
    return {d.split("(")[0].strip() for d in depends.replace("|", ",").split(",") if d.strip()}


def check_package(deb, name, version, root):
    fields = {f: run("dpkg-deb", "-f", str(deb), f).stdout.strip()
              for f in ("Package", "Version", "Architecture", "Depends")}
    check(fields["Package"] == name, f"{deb.name}: Package is {name} ({fields['Package']})")
    check(fields["Version"] == version, f"{deb.name}: Version is {version} ({fields['Version']})")
    check(fields["Architecture"] == "amd64", f"{deb.name}: Architecture is amd64")
    names = dependency_names(fields["Depends"])
    needed, refused = DEPENDS[name]
    check(set(needed) <= names, f"{name} depends on {', '.join(needed)} (Depends: {fields['Depends']})")
    if refused:
        check(not set(refused) & names, f"{name} does not depend on {', '.join(refused)}")

    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    found = sorted(str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir() or p.is_symlink())
    expected = sorted(LAYOUT[name] + [d.format(p=name) for d in DOCS])
    check(found == expected, f"{name} installs exactly its files"
          + ("" if found == expected else f": extra {sorted(set(found) - set(expected))},"
             f" missing {sorted(set(expected) - set(found))}"))

    # The programs answer with the package's version.
    program = root / "usr/bin" / name
    env = dict(os.environ, DISPLAY="", WAYLAND_DISPLAY="")
    if program.exists():
        out = run(str(program), "--version", env=env)
        check(out.returncode == 0 and out.stdout == f"{name} {fields['Version']}\n",
              f"{name} --version says the package version ({out.stdout.strip()!r}, exit {out.returncode})")

    # Installed disabled: nothing links the unit into a target, and no
    # maintainer script enables it.
    control = pathlib.Path(tempfile.mkdtemp(dir=root.parent))
    subprocess.run(["dpkg-deb", "-e", str(deb), str(control)], check=True)
    scripts = [s for s in ("preinst", "postinst", "prerm", "postrm") if (control / s).exists()]
    check(not any("enable" in (control / s).read_text() for s in scripts),
          f"{name}: no maintainer script enables a unit")


def check_desktop_files(root):
    desktop = root / "usr/share/applications/keldo-link.desktop"
    out = run("desktop-file-validate", str(desktop))
    check(out.returncode == 0 and "error" not in out.stdout, f"desktop-file-validate {out.stdout.strip()}")
    metainfo = root / "usr/share/metainfo/com.talmo.keldo_link.metainfo.xml"
    out = run("appstreamcli", "validate", "--no-net", "--pedantic", str(metainfo))
    check(out.returncode == 0, f"appstreamcli validate: {out.stdout.strip()} {out.stderr.strip()}")
    entry = dict(line.split("=", 1) for line in desktop.read_text().splitlines() if "=" in line)
    check((root / "usr/bin" / entry.get("Exec", "")).exists(), f"the menu entry runs usr/bin/{entry.get('Exec')}")


def check_unit(root):
    for unit, command in (("keldo-linkd.service", "/usr/bin/keldo-linkd"),
                          ("keldo-linkd@.service", "/usr/bin/keldo-linkd --instance %i")):
        text = (root / "usr/lib/systemd/system" / unit).read_text()
        execs = [line for line in text.splitlines() if line.startswith("ExecStart=")]
        check(execs == [f"ExecStart={command}"], f"{unit} starts {command} ({execs})")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, type=pathlib.Path)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()

    shutil.rmtree(args.out, ignore_errors=True)
    made = run("cpack", "--config", str(args.build / "CPackConfig.cmake"), "-B", str(args.out))
    if not check(made.returncode == 0, "cpack makes the packages"):
        print(made.stdout, made.stderr)
        return 1
    debs = {name: args.out / f"{name}_{args.version}_amd64.deb" for name in LAYOUT}
    check(sorted(p.name for p in args.out.glob("*.deb")) == sorted(d.name for d in debs.values()),
          f"cpack makes {', '.join(d.name for d in debs.values())}")

    lint = run("lintian", "--fail-on", "error", *map(str, debs.values()))
    print(lint.stdout, end="")
    check(lint.returncode == 0, "lintian finds no error")

    roots = {name: args.out / "root" / name for name in debs}
    for name, deb in debs.items():
        roots[name].mkdir(parents=True)
        if check(deb.exists(), f"{deb.name} exists"):
            check_package(deb, name, args.version, roots[name])
    if (roots["keldo-link"] / "usr/share/applications").exists():
        check_desktop_files(roots["keldo-link"])
    if (roots["keldo-linkd"] / "usr/lib/systemd").exists():
        check_unit(roots["keldo-linkd"])
    return exit_status()


if __name__ == "__main__":
    sys.exit(main())
