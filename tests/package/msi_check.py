#!/usr/bin/env python3
"""The Windows installer as an administrator runs it, under Wine in a prefix of
its own: an older version installed silently, upgraded in place by this one,
a downgrade refused, then a silent uninstall that keeps the settings key. Also
the portable zip's contents.

Usage: msi_check.py --msi FILE --older-msi FILE --zip FILE --version X.Y.Z
                    --wine-run SCRIPT --prefix DIR
Prints every failure and exits 1 if there was one."""
import argparse
import os
import pathlib
import re
import subprocess
import sys
import zipfile

from report import check, exit_status

INSTALL_DIR = r"C:\Program Files\KELDO Link"
SHIPPED = ["keldo-link.exe", "keldo-linkd.exe", "README.txt", "LICENSE.txt"]
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SETTINGS_KEY = r"HKLM\Software\TALMO\KELDO"
# Wine maps the Start menu of a per-machine install to the user's menu; a
# Windows installer puts it under ProgramData.
START_MENUS = ["ProgramData/Microsoft/Windows/Start Menu/Programs",
               "users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"]

class Wine:
    def __init__(self, wine_run, prefix):
        self.wine_run = wine_run
        self.drive_c = prefix / "drive_c"
        # No menu entries on the host for the shortcuts the installer makes.
        self.env = dict(os.environ, KELDO_WINEPREFIX=str(prefix),
                        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")

    def run(self, *args):
        out = subprocess.run([self.wine_run, *args], capture_output=True, text=True, env=self.env,
                             timeout=240)
        return out.returncode, out.stdout

    def msiexec(self, action, msi):
        return self.run("msiexec", action, "Z:" + str(msi).replace("/", "\\"), "/qn")[0]

    def host_path(self, windows_path):
        return self.drive_c / windows_path[3:].replace("\\", "/")

    def products(self):
        """DisplayName, DisplayVersion and Publisher of every KELDO Link entry."""
        _, text = self.run("reg", "query", UNINSTALL_KEY, "/s")
        entries, current = [], None
        for line in text.splitlines():
            if line.startswith("HKEY_"):
                current = {}
                entries.append(current)
            elif current is not None and (m := re.match(r"\s+(\S+)\s+REG_\w+\s+(.*)", line)):
                current[m[1]] = m[2].strip()
        return [e for e in entries if e.get("DisplayName") == "KELDO Link"]

    def settings_value(self):
        rc, text = self.run("reg", "query", SETTINGS_KEY, "/v", "ServerName")
        m = re.search(r"ServerName\s+REG_SZ\s+(.*)", text)
        return m[1].strip() if rc == 0 and m else None

    def service_known(self):
        rc, text = self.run("sc", "query", "KELDOLink")
        return rc == 0 and "KELDOLink" in text

    def shortcuts(self):
        return [p for menu in START_MENUS for p in self.drive_c.glob(menu + "/KELDO Link.lnk")]


def check_entry(wine, version, when):
    entries = wine.products()
    check(len(entries) == 1, f"{when}: one \"Apps & features\" entry ({len(entries)})")
    if entries:
        entry = entries[0]
        check(entry.get("DisplayVersion") == version and entry.get("Publisher") == "TALMO",
              f"{when}: the entry shows version {version} and publisher TALMO"
              f" ({entry.get('DisplayVersion')}, {entry.get('Publisher')})")


def check_zip(path, version):
    top = f"keldo-link-{version}-win64/"
    with zipfile.ZipFile(path) as z:
        names = sorted(z.namelist())
        check(names == sorted(top + f for f in SHIPPED), f"{path.name} holds {', '.join(SHIPPED)} ({names})")
        if top + "README.txt" in names:
            readme = z.read(top + "README.txt")
            check(b"\r\n" in readme and b"\n" not in readme.replace(b"\r\n", b""),
                  "README.txt has CR LF line ends")
        return {n[len(top):]: z.read(n) for n in names if n.endswith(".exe")}


def main():
    parser = argparse.ArgumentParser()
    for option in ("msi", "older-msi", "zip", "wine-run", "prefix"):
        parser.add_argument("--" + option, required=True, type=pathlib.Path)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    wine = Wine(args.wine_run, args.prefix)

    zipped = check_zip(args.zip, args.version)

    # A prefix left by an earlier run starts without the product and its key.
    wine.msiexec("/x", args.msi)
    wine.msiexec("/x", args.older_msi)
    wine.run("reg", "delete", r"HKLM\Software\TALMO", "/f")
    if not check(wine.products() == [], "the prefix starts without KELDO Link"):
        return 1

    check(wine.msiexec("/i", args.older_msi) == 0, "the older version installs silently")
    check_entry(wine, "0.9.0", "older version")
    wine.run("reg", "add", SETTINGS_KEY, "/v", "ServerName", "/t", "REG_SZ", "/d", "Bench 7", "/f")

    # A service the user registered runs the installed program: an upgrade
    # stops it to replace the file and keeps it.
    check(wine.run(INSTALL_DIR + r"\keldo-linkd.exe", "--install-service")[0] == 0,
          "the installed keldo-linkd.exe registers its service")

    check(wine.msiexec("/i", args.msi) == 0, f"{args.msi.name} installs silently over it")
    check(wine.service_known(), "the upgrade keeps the service KELDOLink")
    check_entry(wine, args.version, "upgraded")
    for name in SHIPPED:
        check(wine.host_path(INSTALL_DIR + "\\" + name).is_file(), f"{INSTALL_DIR}\\{name} is installed")
    for name, data in zipped.items():
        path = wine.host_path(INSTALL_DIR + "\\" + name)
        check(path.is_file() and path.read_bytes() == data, f"the installed {name} is the zip's")
    links = wine.shortcuts()
    target = links[0].read_bytes() if len(links) == 1 else b""
    check(b"keldo-link.exe" in target or "keldo-link.exe".encode("utf-16-le") in target,
          f"a Start-menu shortcut to keldo-link.exe ({[str(p) for p in links]})")
    rc, out = wine.run(INSTALL_DIR + r"\keldo-linkd.exe", "--version")
    check(rc == 0 and out == f"keldo-linkd {args.version}\n",
          f"the installed keldo-linkd.exe --version says {args.version} ({out.strip()!r}, exit {rc})")

    check(wine.msiexec("/i", args.older_msi) != 0, "the older version refuses to replace this one")
    check_entry(wine, args.version, "after the refused downgrade")

    check(wine.run(INSTALL_DIR + r"\keldo-linkd.exe", "--uninstall-service")[0] == 0,
          "the service is removed before the uninstall, as the README says")
    check(wine.msiexec("/x", args.msi) == 0, "it uninstalls silently")
    check(wine.products() == [], "the \"Apps & features\" entry is gone")
    gone = [n for n in SHIPPED if wine.host_path(INSTALL_DIR + "\\" + n).exists()]
    check(not gone, f"the program files are gone ({gone})")
    check(wine.shortcuts() == [], "the shortcut is gone")
    check(wine.settings_value() == "Bench 7", "the settings key is kept")

    subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(args.prefix)),
                   capture_output=True)
    return exit_status()


if __name__ == "__main__":
    sys.exit(main())
