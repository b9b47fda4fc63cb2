#!/usr/bin/python3
"""The installer under wine: a silent install (/S) puts both programs, the
grid files, the licence and the uninstaller under Program Files\\Tesra and
the "Tesra" entry in the Start menu; the programs run from there; the silent
uninstall leaves none of it, and keeps a file the user put in the folder.

    check_installer.py WINE_RUN SETUP_EXE WINEPREFIX
"""

import os
import shutil
import subprocess
import sys
import time

WINE, SETUP, PREFIX = sys.argv[1:4]
PREFIX = os.environ.get("WINEPREFIX", PREFIX)
FOLDER = os.path.join(PREFIX, "drive_c", "Program Files", "Tesra")
MENU = os.path.join(PREFIX, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Tesra.lnk")
EXPECTED = sorted(["73_lx_m.asc", "73_lx_p.asc", "lx_et_m.asc", "lx_et_p.asc", "LICENSE.txt",
                   "tesra-ascii.exe", "tesra-cli.exe", "uninstall.exe"])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def listing():
    return sorted(os.listdir(FOLDER)) if os.path.isdir(FOLDER) else []


def wait_until(condition, seconds=30):
    # The uninstaller runs a copy of itself from the temporary folder and
    # returns at once; the copy does the work.
    end = time.monotonic() + seconds
    while not condition() and time.monotonic() < end:
        time.sleep(0.2)
    return condition()


def run(args):
    return subprocess.run([WINE] + args, capture_output=True, timeout=120)


check(run([SETUP, "/S"]).returncode == 0, "the installer failed")
check(listing() == EXPECTED, f"installed: {listing()}")
check(os.path.exists(MENU), "no Start-menu entry")
listed = run([os.path.join(FOLDER, "tesra-cli.exe"), "--list"])
check(listed.returncode == 0 and b"ETRS89 TM06" in listed.stdout, "the installed tesra-cli does not run")

mine = os.path.join(FOLDER, "meu.txt")
with open(mine, "w") as note:
    note.write("do utilizador\n")
check(run([os.path.join(FOLDER, "uninstall.exe"), "/S"]).returncode == 0, "the uninstaller failed")
check(wait_until(lambda: listing() == ["meu.txt"]), f"left after uninstalling: {listing()}")
check(not os.path.exists(MENU), "the Start-menu entry stayed")
# Whatever the outcome, the next run starts from no installation.
shutil.rmtree(FOLDER, ignore_errors=True)
if os.path.exists(MENU):
    os.remove(MENU)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
