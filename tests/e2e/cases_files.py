"""The cases of the wallpaper file on a busy desktop: temporary folders that
are odd, full or long, a reader that holds the file, a kill in a burst, the
end of the session, and a change of the screen's size. The table that names
them is in cases.py."""

from __future__ import annotations

import os
import signal
import time
from contextlib import nullcontext
from pathlib import Path

from harness import (CHANGE_WAIT, CLOSE_WAIT, SOUND_WAIT, WINDOW_WAIT, CaseFailed, cannot_check,
                     check, say, wait_until)
from runs import Case, Run
from session import bar_index
from steps import keyboard_steps, make_noise_hears_nothing_else
from wallpaper import (START_VALUES, WALLPAPER_NAME, Bitmap, our_names, picture_bytes,
                       row_bytes)

# The burst the kill falls into: key presses queued on one bar at once.
BURST_KEYS = 200

# The reader case: key presses queued on one bar at once, first with no
# reader, then with readers that hold each new wallpaper file for a while,
# shorter and longer, so that pictures are kept pending and land later.
HELD_BURST = 12
HOLDS_MS = (0, 150, 400)
# A viewer that keeps each new file open far longer than a save could wait:
# the changes made meanwhile, with the window pinged, then a close, which
# may wait 5 s for it; and, in a second run, the same across a log-off,
# whose end waits at most 2 s, so the hold ends within it.
LONG_HOLD_KEYS = 5
LONG_HOLD_CLOSE_MS = 4000
LONG_HOLD_LOG_OFF_MS = 1800
# How long the window is pinged while the changes are made during the hold.
ANSWER_WATCH_MS = 1500
# The longest the window may take to answer then: about a cycle's time, far
# less than any hold. A save that waited for the reader would slow every
# change, so the bound holds for all answers but the slowest, which a busy
# machine may hold up once; that one only has to come far sooner than the
# viewer lets go.
ANSWER_BOUND_MS = 200
SLOWEST_ANSWER_BOUND_MS = 1000
# Pictures written per change over a burst, on average. One each, and a
# little for what else the program writes (cues, requests to Wine) and for
# a picture that a later change rewrote while it waited. A program that
# wrote every picture twice would show 2.
PICTURES_PER_CHANGE = 1.25

# The desktop's size before and after the display change. Grown, not
# shrunk: with Wine 8 here, huevane.exe closing after its virtual desktop
# shrank (1024x768 to 800x600) crashes the wineserver as the process ends,
# this build and the one before it that ignored the change alike.
DISPLAY_BEFORE = (800, 600)
DISPLAY_AFTER = (1024, 768)


def non_ascii_temp_folder(case: Case) -> None:
    case.set_up(temp_name="Tëmp Жж 日本")
    case.start((800, 600)).close()


def unwritable_temp_folder(case: Case) -> None:
    case.set_up(folder="unwritable")
    case.start((800, 600), file="absent").close()


def fill_folder_while_running(run: Run) -> None:
    """The folder fills up while the program runs: once the spare exists,
    every picture still lands whole, rewritten in place."""
    values = list(START_VALUES)
    values[2] = 1
    run.program.keys((3, "DOWN", 1))
    run.expect_values(tuple(values), "ScrollBar3 DOWN before the folder fills")
    if run.folder.limit_writes:
        cannot_check("no small filesystem here: the folder cannot fill up while the program runs")
        return
    left = run.folder.fill()
    needed = picture_bytes(run.size)
    if not check(left < needed, "the folder has less room left than one picture",
                 f"{left} bytes free, a picture needs {needed}"):
        return
    for step in (2, 3):
        values[2] = step
        run.program.keys((3, "DOWN", 1))
        run.expect_values(tuple(values), "ScrollBar3 DOWN in the full folder")
    (run.folder.path / "filler").unlink()


def folder_turns_immutable(run: Run) -> None:
    """The folder turns immutable while the program runs, once the spare
    exists: no new name, no move, no removal, but its files can still be
    written. Every change still lands, Huevane.Bmp rewritten in place;
    the immutability is lifted before the close."""
    folder = run.folder
    if not folder.make_immutable(run.session.log, run.session.cleanups):
        cannot_check("no immutable attribute here: the folder cannot turn immutable")
        return
    say("     the folder is made immutable (chattr +i)")
    before = run.wallpaper.stat().st_ino
    values = list(run.program.values())
    for _ in range(2):
        values[2] += 1
        run.program.keys((3, "DOWN", 1))
        run.expect_values(tuple(values), "ScrollBar3 DOWN in the immutable folder")
    check(run.wallpaper.stat().st_ino == before,
          f"{WALLPAPER_NAME} is the same file, rewritten in place", "another file stands there")
    folder.lift_immutable()


def full_filesystem_keeps_last_wallpaper(case: Case) -> None:
    case.set_up(folder="small-filesystem")
    first = case.start((800, 600))
    fill_folder_while_running(first)
    folder_turns_immutable(first)
    first.close()
    kept = first.file()
    second_size = (1024, 768)
    case.folder.fill_before(picture_bytes(second_size))
    case.start(second_size, file="kept", previous=kept).close()


def long_temp_folder(case: Case) -> None:
    case.set_up(temp_length=245)
    run = case.start((800, 600))
    keyboard_steps(run)
    run.close()


def kill_in_burst(run: Run) -> None:
    """Key presses queued on ScrollBar3 in a burst, and the program killed
    while it works through them, as a log-off or Task Manager does: the
    wallpaper file stays whole, the picture of one of the burst's values."""
    wallpaper = run.wallpaper
    temp = wallpaper.parent
    pid = run.session.unix_pid()
    if not check(pid is not None, "the program's process is found", "none"):
        raise CaseFailed("no process to kill")
    run.program.keys((3, "DOWN", BURST_KEYS))
    # Well under way: a quarter of the burst done, and the spare exists.
    top_left = 54 + row_bytes(run.size[0]) * (run.size[1] - 1)

    def underway():
        with open(wallpaper, "rb") as picture:
            picture.seek(top_left)
            blue = picture.read(1)
        return our_names(temp) and blue and blue[0] >= BURST_KEYS // 4
    underway = wait_until(underway, CHANGE_WAIT)
    if not check(bool(underway), "the burst is under way, with a spare file",
                 f"names {our_names(temp)}"):
        raise CaseFailed("the burst did not start")
    os.kill(pid, signal.SIGKILL)

    def gone():
        try:
            return Path(f"/proc/{pid}/stat").read_text().split(") ")[-1].startswith("Z")
        except OSError:
            return True

    def window_gone():
        try:
            run.program.state()
        except CaseFailed:
            return True
        return False
    if not check(wait_until(gone, CLOSE_WAIT) and wait_until(window_gone, CLOSE_WAIT),
                 "SIGKILL ends the program and its window", str(pid)):
        raise CaseFailed("the program outlived SIGKILL")
    left = our_names(temp)
    check(bool(left), "the kill left files of ours for the next start to clear",
          "none: the sweep would have nothing to prove")
    say(f"     left by the kill: {', '.join(left)}")
    picture = Bitmap.read(wallpaper)
    blue = picture.rgb(0, 0)[2]
    values = START_VALUES[:2] + (blue,) + START_VALUES[3:]
    check(0 < blue < BURST_KEYS, f"the kill fell inside the burst (at {blue} of {BURST_KEYS})",
          "it did not")
    check(wallpaper.read_bytes() == run.pictures.expected(run.size, values).read_bytes(),
          f"the wallpaper file is whole: exactly the picture of {values}", "it is not")


def close_leaves_one_file(run: Run) -> None:
    """After the restart, three changes (the spare route at work), then a
    clean close: Huevane.Bmp alone is left, the picture of the last
    values."""
    values = START_VALUES[:2] + (3,) + START_VALUES[3:]
    run.program.keys((3, "DOWN", 3))
    run.expect_values(values, "ScrollBar3 DOWN x3 after the restart")
    closed = run.program.close()
    check(closed.get("exit-code") == ["0"], "WM_CLOSE ends the program with exit code 0",
          str(closed.get("exit-code")))
    names = sorted(p.name for p in run.wallpaper.parent.iterdir())
    check(names == [WALLPAPER_NAME], f"the folder holds {WALLPAPER_NAME} alone", ", ".join(names))
    check(run.wallpaper.exists() and run.wallpaper.read_bytes() ==
          run.pictures.expected(run.size, values).read_bytes(),
          f"{WALLPAPER_NAME} is exactly the picture of {values}", "it is not")


def killed_in_a_burst_leaves_one_file(case: Case) -> None:
    case.set_up()
    first = case.start((1024, 768))
    kill_in_burst(first)
    first.finished()
    second = case.start((1024, 768))
    close_leaves_one_file(second)
    second.finished()


def wallpaper_and_spare(run: Run) -> list[str]:
    """The names in the temporary folder if they are Huevane.Bmp and one
    spare of ours, and nothing else; else []."""
    names = sorted(p.name for p in run.folder.path.iterdir())
    return names if len(names) == 2 and names == [WALLPAPER_NAME] + our_names(
        run.folder.path) else []


def burst_while_held(run: Run, hold_ms: int, values: list[int]) -> None:
    """A burst of key presses on ScrollBar3 while a reader holds each new
    wallpaper file for hold_ms (0: no reader). The last change lands: once
    the program has caught up, the file is exactly the picture of the last
    values, the folder holds Huevane.Bmp and one spare, and the program
    wrote about one picture per change, however long the reader held."""
    reader = f"each new file held {hold_ms} ms" if hold_ms else "no reader"
    what = f"{HELD_BURST} key presses with {reader}"
    values[2] += HELD_BURST
    expected = run.pictures.expected(run.size, tuple(values)).read_bytes()
    written = run.program.bytes_written()
    holding = (run.session.holder(run.wallpaper_windows, hold_ms) if hold_ms
               else nullcontext({}))
    with holding as holder:
        started = time.monotonic()
        run.program.keys((3, "DOWN", HELD_BURST))
        # While the reader still looks at every new file: the last picture
        # must not wait for the reader to go away.
        landed = wait_until(lambda: run.wallpaper.read_bytes() == expected, CHANGE_WAIT)
        took = time.monotonic() - started
    # A name a reader kept from being removed goes once it lets go.
    names = wait_until(lambda: wallpaper_and_spare(run), CHANGE_WAIT)
    per_change = (run.program.bytes_written() - written) / picture_bytes(run.size) / HELD_BURST
    if hold_ms:
        held = int(holder.get("held-files", ["0"])[0])
        say(f"     the reader held {held} new files; it found the file rewritten in place "
            f"{holder.get('rewritten-in-place', ['?'])[0]} times")
        check(holder.get("stopped-by") == ["release"], "the reader ran until it was let go",
              str(holder))
        check(held >= 2, f"{what}: the reader held new files while the burst went on",
              f"it held {held}")
        # The folder takes new names all along: the last resort, the file
        # rewritten in place, is never the way here, even when the reader
        # lets go just after a move was refused.
        check(holder.get("rewritten-in-place") == ["0"],
              f"{what}: {WALLPAPER_NAME} was never rewritten in place",
              f"{holder.get('rewritten-in-place')} times")
    say(f"     {what}: {per_change:.3f} pictures written per change")
    seen = run.program.values()
    check(seen == tuple(values), f"{what}: the bars read {tuple(values)}", f"they read {seen}")
    check(bool(landed), f"{what}: the wallpaper file is exactly the picture of the last "
                        f"values ({took:.2f}s)", "a change was lost")
    check(bool(names), f"{what}: the folder holds {WALLPAPER_NAME} and one spare, nothing else",
          ", ".join(sorted(p.name for p in run.folder.path.iterdir())))
    check(per_change <= PICTURES_PER_CHANGE,
          f"{what}: at most {PICTURES_PER_CHANGE} pictures written per change",
          f"{per_change:.2f}")


def long_hold_to_the_end(run: Run, hold_ms: int, end: str) -> None:
    """A viewer holds each new wallpaper file for hold_ms. One change lands
    and the viewer holds it; five more are made while the window is pinged,
    then the program ends (end: "close" or "logoff") with the viewer still
    holding. The window answers all along and goes at once on a close; the
    last change lands once the viewer lets go, and nothing of ours stays."""
    what = f"a viewer holding each new file {hold_ms} ms, then a {end}"
    values = list(START_VALUES)
    with run.session.holder(run.wallpaper_windows, hold_ms) as holder:
        values[2] += 1
        run.program.keys((3, "DOWN", 1))
        run.expect_values(tuple(values), f"{what}: the change before the hold")
        out = run.session.work / f"holder-{hold_ms}ms.out"
        check(bool(wait_until(lambda: b"held 1" in out.read_bytes(), CHANGE_WAIT)),
              f"{what}: the viewer holds the new file", "it never did")
        values[2] += LONG_HOLD_KEYS
        if end == "close":
            answers = run.program.driver("answers", str(ANSWER_WATCH_MS),
                                         bar_index(3), "40", str(LONG_HOLD_KEYS))
            longest = int(answers["longest-ms"][0])
            next_longest = int(answers["next-longest-ms"][0])
            say(f"     {what}: {answers['answers'][0]} answers, the two longest took "
                f"{longest} and {next_longest} ms")
            check(next_longest < ANSWER_BOUND_MS and longest < SLOWEST_ANSWER_BOUND_MS,
                  f"{what}: the window answered within {ANSWER_BOUND_MS} ms while held, "
                  f"but once within {SLOWEST_ANSWER_BOUND_MS} ms",
                  f"the two longest took {longest} and {next_longest} ms")
        else:
            run.program.keys((3, "DOWN", LONG_HOLD_KEYS))
            # Posted keys wait behind the log-off's sent messages: the user
            # has pressed them, and the program handled them, before it ends.
            check(bool(wait_until(lambda: run.program.values() == tuple(values), CHANGE_WAIT)),
                  f"{what}: the bars read {tuple(values)} before the log-off",
                  str(run.program.values()))
        if end == "close":
            ended = run.program.close()
            gone, over = int(ended["window-gone-ms"][0]), int(ended["ended-ms"][0])
            say(f"     {what}: the window went after {gone} ms, the process ended after {over} ms")
            check(ended.get("exit-code") == ["0"], f"{what}: exit code 0",
                  str(ended.get("exit-code")))
            check(over - gone >= 500,
                  f"{what}: the window went at once, the process waited for the viewer",
                  f"window gone after {gone} ms, process ended after {over} ms")
        else:
            ended = run.program.driver("logoff", str(CLOSE_WAIT * 1000))
            check(ended.get("query-end-session") == ["1"],
                  f"{what}: WM_QUERYENDSESSION answers TRUE", str(ended))
    expected = run.pictures.expected(run.size, tuple(values)).read_bytes()
    check(run.file() == expected, f"{what}: {WALLPAPER_NAME} is exactly the picture of "
                                  f"{tuple(values)}", "a change was lost")
    names = sorted(p.name for p in run.folder.path.iterdir())
    check(names == [WALLPAPER_NAME], f"{what}: the folder holds {WALLPAPER_NAME} alone",
          ", ".join(names))
    run.finished()


def held_file_keeps_the_last_change(case: Case) -> None:
    case.set_up()
    run = case.start((1024, 768))
    values = list(START_VALUES)
    for hold_ms in HOLDS_MS:
        burst_while_held(run, hold_ms, values)
    # The last picture, landed after the hold, is published again: the
    # desktop shows it.
    state = run.check_state()
    run.screen.check_desktop([int(v) for v in state["rect"][0].split()],
                             Bitmap.read(run.pictures.expected(run.size, tuple(values))))
    run.close()
    long_hold_to_the_end(case.start((1024, 768)), LONG_HOLD_CLOSE_MS, "close")
    long_hold_to_the_end(case.start((1024, 768)), LONG_HOLD_LOG_OFF_MS, "logoff")


def log_off_leaves_one_file(case: Case) -> None:
    """Three changes, so that the spare exists, then the end of the session
    as Windows brings it at log-off: WM_QUERYENDSESSION, WM_ENDSESSION
    saying that the session ends, and the process ended from outside,
    with no WM_DESTROY. Huevane.Bmp alone is left, the picture of the last
    values, and the setting still names it."""
    case.set_up()
    run = case.start((1920, 1080))
    values = list(START_VALUES)
    for _ in range(3):
        values[4] += 1
        run.program.keys((5, "DOWN", 1))
        run.expect_values(tuple(values), "ScrollBar5 DOWN before the log-off")
    if not check(bool(our_names(run.folder.path)), "the spare exists before the log-off",
                 "none: the log-off would have nothing to remove"):
        raise CaseFailed("no spare")
    ended = run.program.driver("logoff", str(CLOSE_WAIT * 1000))
    how = "by itself" if ended["ended-by-itself"] == ["1"] else "from outside"
    say(f"     the program ended {how}, exit code {int(ended['exit-code'][0]):#x}")
    check(ended.get("query-end-session") == ["1"],
          "the program lets the session end (WM_QUERYENDSESSION answers TRUE)", str(ended))
    names = sorted(p.name for p in run.folder.path.iterdir())
    check(names == [WALLPAPER_NAME], f"after the log-off the folder holds {WALLPAPER_NAME} alone",
          ", ".join(names))
    check(run.file() == run.pictures.expected(run.size, tuple(values)).read_bytes(),
          f"{WALLPAPER_NAME} is exactly the picture of {tuple(values)}", "it is not")
    setting = run.session.driver("wallpaper")
    check(setting.get("wallpaper-registry") == [run.setting()],
          r"HKCU\Control Panel\Desktop Wallpaper still names the file",
          f"{setting.get('wallpaper-registry')}, expected {run.setting()!r}")
    run.finished()


def display_change_resizes_the_wallpaper(case: Case) -> None:
    """The virtual desktop changes size while the program runs, as a game
    or the display settings change it: with nothing done by the user, the
    wallpaper file becomes the picture of the current values at the new
    size, the desktop shows it, and no cue sounds for it."""
    case.set_up()
    run = case.start(DISPLAY_BEFORE)
    values = (255, 0, 0, 0, 0, 255, 1)
    run.program.keys((7, "DOWN", 1))
    run.expect_values(values, "the style bar one step down")
    (channels, rate), _ = run.sound.expected_cue()
    # The change's cue must have ended before the files are taken as the
    # baseline; a stream still open may write its last period.
    check(wait_until(lambda: run.sound.capture_closed(channels, rate), SOUND_WAIT),
          "the change's cue has played out", "its capture stayed open")
    before = run.sound.captures()
    width, height = DISPLAY_AFTER
    changed = run.program.driver("display", str(width), str(height), str(WINDOW_WAIT * 1000))
    check(changed.get("display-change") == [f"{width} {height}"],
          f"WM_DISPLAYCHANGE goes out to the desktop's windows with {width}x{height}",
          str(changed))
    check(changed.get("screen") == [f"{width} {height}"],
          f"the virtual desktop is now {width}x{height} (GetSystemMetrics)", str(changed))
    run.resized(DISPLAY_AFTER)
    run.expect_values(values, f"the desktop resized to {width}x{height}")
    state = run.check_state()
    run.screen.check_desktop([int(v) for v in state["rect"][0].split()],
                             Bitmap.read(run.pictures.expected(run.size, values)))
    make_noise_hears_nothing_else(run, before, "for the display change")
    run.close()
