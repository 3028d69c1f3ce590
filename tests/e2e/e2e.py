#!/usr/bin/env python3
"""End-to-end cases: the real huevane.exe, started as a user starts it, in a
Wine virtual desktop on a private Xvfb, checked from the outside.

    e2e.py --list
    e2e.py --exe huevane.exe --driver e2e_driver.exe --render huevane-render
           --cues resources/cues [--pictures resources/pictures]
           --prefix WINEPREFIX --work DIR CASE

Each case gets its own Xvfb, its own wineserver for the suite's prefix
(created on first use, then reused), a fresh temporary folder set as the
user's TEMP and TMP, and the wallpaper setting reset to none. Per run it
checks the wallpaper file, the registry, the desktop's pixels, the sound
that reached ALSA, that no message box appeared, and that closing the main
window ends the process with exit code 0.

The cases that show the About dialog and the help window save pictures of
the three windows in their work folder. With HUEVANE_E2E_SCREENSHOTS=DIR in
the environment, the case marked for it also writes them to DIR (the README's
pictures: tests/e2e/screenshots); without it, nothing outside the work folder
is written.

Where things are: session.py (Xvfb, the Wine prefix, the program on its
virtual desktop, the driver), folders.py (the temporary folder: plain,
unwritable, small), the observers wallpaper.py (file and setting),
screen.py and sound.py, runs.py (a case's set-up and what every start of
the program checks), steps.py (the steps that several cases take), and
cases.py (the cases and their table) with cases_files.py (those of the
wallpaper file on a busy desktop).

Exit status: 0 passed, 1 failed, 77 this machine cannot set up the case
(reported by ctest as skipped), 2 bad arguments.
"""

from __future__ import annotations

import argparse
import signal
import subprocess
import sys
from pathlib import Path

import harness
from cases import CASES
from folders import enter_private_mounts
from harness import CannotSetUp, CaseFailed, say
from runs import Case
from screen import DESKTOP_REPAINT, MOST_DESKTOP_REPAINTS, MOST_WINDOW_REPAINTS, WINDOW_REPAINT
from session import Session

SKIPPED = 77


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="print the case names")
    parser.add_argument("--exe")
    parser.add_argument("--driver")
    parser.add_argument("--render")
    parser.add_argument("--cues")
    parser.add_argument("--pictures", type=Path,
                        default=Path(__file__).resolve().parents[2] / "resources" / "pictures",
                        help="the About banner and the help picture (default: the repository's)")
    parser.add_argument("--prefix")
    parser.add_argument("--work")
    parser.add_argument("case", nargs="?", choices=sorted(CASES))
    args = parser.parse_args()
    if args.list:
        print(";".join(CASES))
        return 0
    needed = ("exe", "driver", "render", "cues", "prefix", "work", "case")
    if any(getattr(args, name) is None for name in needed):
        parser.error("needs --exe --driver --render --cues --prefix --work and a case")
    for path in (args.exe, args.driver, args.render):
        if not Path(path).is_file():
            parser.error(f"{path} does not exist: build it first")
    enter_private_mounts()
    # ctest ends a case that runs too long with SIGTERM: clean up all the same.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    about, steps = CASES[args.case]
    say(f"{args.case}: {about}")
    session = Session(args, args.case)
    try:
        with session.running():
            steps(Case(session))
    except CannotSetUp as reason:
        harness.unchecked.append(str(reason))
    except (CaseFailed, subprocess.TimeoutExpired) as error:
        harness.failures.append(str(error))
        say(f"FAIL {error}")
    fired = ", ".join(f"{kind} {count}" for kind, count in harness.fence_counts.items())
    say(f"fences against Wine let through: {fired or 'nothing'}")
    for kind, most in ((DESKTOP_REPAINT, MOST_DESKTOP_REPAINTS),
                       (WINDOW_REPAINT, MOST_WINDOW_REPAINTS)):
        if harness.fence_counts.get(kind, 0) > most:
            harness.check(False, f"at most {most} {kind}s in a case",
                          f"{harness.fence_counts[kind]}")
    if harness.failures:
        say(f"{len(harness.failures)} check(s) failed; logs in {session.work}")
        return 1
    if harness.unchecked:
        say(f"SKIPPED, this machine cannot set up: {'; '.join(harness.unchecked)}")
        return SKIPPED
    say("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
