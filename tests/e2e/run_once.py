#!/usr/bin/env python3
"""Runs huevane.exe once, for scripts/run on a machine with no display: on a
Wine virtual desktop, in the session that scripts/run has started (its Xvfb
on $DISPLAY, its wineserver for the prefix), with the user's own temporary
folder.

    run_once.py --exe huevane.exe --driver e2e_driver.exe --prefix WINEPREFIX
                --size WxH --work DIR --screenshot FILE

It waits for the first cycle: the wallpaper file whole, a picture of the
desktop's size from red at its left edge to blue at its right, and the
wallpaper setting naming it, with no message box. Once the desktop shows
that picture wherever the main window leaves it uncovered, it saves a
screenshot of the desktop as a PNG file, then closes the program as its
close button does. The checks are the end-to-end suite's, less those that
need huevane-render built natively.

Exit status: 0 done, 1 something went wrong (its log is under DIR), 2 bad
arguments.
"""

from __future__ import annotations

import argparse
import re
import subprocess
import sys
from pathlib import Path

import harness
from harness import WINE_CALL, CaseFailed, check, say
from screen import Screen
from session import Program, Session
from wallpaper import (FIRST_END, FIRST_START, WALLPAPER_NAME, Bitmap, check_state,
                       picture_bytes)

DESKTOP = "Huevane"
# A user may ask for a small desktop, where the centred main window hides
# most of the sampled points; two left uncovered, the corners, will do.
MIN_SCREEN_POINTS = 2


def temp_folder(session: Session) -> str:
    """The user's temporary folder, as a program started now finds it."""
    out = session.work / "temp.out"
    with open(out, "wb") as sink:
        subprocess.run(["wine", "cmd", "/c", "echo", "%TEMP%"], stdin=subprocess.DEVNULL,
                       stdout=sink, stderr=session.log, env=session.env, timeout=WINE_CALL)
    temp = out.read_bytes().decode("utf-8", "replace").strip()
    if not re.match(r"[A-Za-z]:\\", temp):
        raise CaseFailed(f"cannot tell the temporary folder: {temp!r}")
    return temp


def start(session: Session, size: tuple[int, int], wallpaper: Path) -> Program:
    """The program on its desktop, its main window shown: the first cycle
    is over by then."""
    # Nothing of an earlier run may pass for this run's first cycle.
    wallpaper.unlink(missing_ok=True)
    if session.run_quiet(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                          "Wallpaper", "/t", "REG_SZ", "/d", "", "/f"]) != 0:
        raise CaseFailed("cannot reset the wallpaper setting")
    program = session.launch(DESKTOP, size, session.env, None)
    shown = program.wait_shown()
    if shown.get("visible") != ["1"]:
        raise CaseFailed("a message box came up instead of the main window: " + "; ".join(
            shown.get("dialog-title", []) + shown.get("dialog-text", [])))
    return program


def check_wallpaper_file(wallpaper: Path, size: tuple[int, int]) -> Bitmap:
    """The file is whole, every byte of a picture of the desktop's size,
    and runs from the start colour at its left edge to the end colour at
    its right."""
    width, height = size
    length = wallpaper.stat().st_size if wallpaper.exists() else None
    if not check(length == picture_bytes(size),
                 f"the wallpaper file holds a whole {width}x{height} picture",
                 f"{wallpaper}: {'missing' if length is None else f'{length} bytes'}, "
                 f"expected {picture_bytes(size)}"):
        raise CaseFailed("no whole wallpaper file")
    picture = Bitmap.read(wallpaper)
    left = {picture.rgb(0, y) for y in range(height)}
    right = {picture.rgb(width - 1, y) for y in range(height)}
    if not check((picture.width, picture.height) == size and left == {FIRST_START}
                 and right == {FIRST_END},
                 f"it runs from {FIRST_START} at its left edge to {FIRST_END} at its right",
                 f"{picture.width}x{picture.height}, left edge {sorted(left)[:4]}, "
                 f"right edge {sorted(right)[:4]}"):
        raise CaseFailed("the wallpaper file is not the first cycle's picture")
    return picture


def run_once(session: Session, size: tuple[int, int], screenshot: Path) -> None:
    # An earlier run's screenshot must not outlive a run that takes none.
    screenshot.unlink(missing_ok=True)
    temp = temp_folder(session)
    wallpaper_windows = f"{temp}\\{WALLPAPER_NAME}"
    wallpaper = session.unix_path(wallpaper_windows)
    program = start(session, size, wallpaper)
    picture = check_wallpaper_file(wallpaper, size)
    state = check_state(program, wallpaper_windows)
    if harness.failures:
        raise CaseFailed("the first cycle is not done")
    say(f"first cycle done: {wallpaper_windows} is the wallpaper")

    screen = Screen(program, None, False)
    rect = [int(v) for v in state["rect"][0].split()]
    shown = screen.check_desktop(rect, picture, MIN_SCREEN_POINTS)
    if shown is None:
        raise CaseFailed("the desktop does not show the wallpaper")
    screenshot.parent.mkdir(parents=True, exist_ok=True)
    screen.to_png(shown, size[0], size[1], f"png:{screenshot}")
    if not check(screenshot.exists(), f"a screenshot of the desktop: {screenshot}",
                 "convert failed"):
        raise CaseFailed("no screenshot")

    closed = program.close()
    check(closed.get("exit-code") == ["0"], "WM_CLOSE ends the program with exit code 0",
          str(closed.get("exit-code")))


def desktop_size(text: str) -> tuple[int, int]:
    match = re.fullmatch(r"([1-9][0-9]*)x([1-9][0-9]*)", text)
    if not match:
        raise argparse.ArgumentTypeError(f"not WxH: {text!r}")
    return int(match[1]), int(match[2])


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--size", type=desktop_size, required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--screenshot", type=Path, required=True)
    args = parser.parse_args()
    for path in (args.exe, args.driver):
        if not Path(path).is_file():
            parser.error(f"{path} does not exist: build it first")
    session = Session(args, "run")
    try:
        with session.joined():
            run_once(session, args.size, args.screenshot.resolve())
    except (CaseFailed, subprocess.TimeoutExpired) as error:
        harness.failures.append(str(error))
        say(f"FAIL {error}")
    if harness.failures:
        say(f"{len(harness.failures)} check(s) failed; log in {session.work}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
