"""The cases: one function each, its steps and checks in order, and the
table of them at the end (ctest runs each as win32.e2e.NAME). The steps
that several cases take are in steps.py.

Every start of the program (Case.start) checks its first cycle. Each step
after it that changes a bar checks, before the next, that the wallpaper
file has become the exact picture of the bars' values."""

from __future__ import annotations

import os
import signal
import subprocess
import time
from contextlib import nullcontext
from functools import partial
from pathlib import Path
from typing import Callable

from harness import (CHANGE_WAIT, CLOSE_WAIT, SETTLE_WAIT, SOUND_WAIT, WINDOW_WAIT, WINE_CALL,
                     CaseFailed, cannot_check, check, say, wait_until)
from runs import WINDOWS_VERSIONS, Case, Run
from session import LEFT_TO_RIGHT, MAIN_CLASS, bar_index, control_centre, driver_facts, numbers
from steps import (ABOUT, ABOUT_CUE, HELP, HELP_CUE, activate_main, check_centred,
                   check_help_picture, check_hidden_by_click, check_shown,
                   choose_from_system_menu, keyboard_steps, make_noise_hears_nothing_else,
                   show_about, show_help)
from wallpaper import (START_VALUES, WALLPAPER_NAME, Bitmap, check_no_temporaries, our_names,
                       picture_bytes, row_bytes)

# The main window as designed (96 pixels per inch, Wine's default): its
# client area and its scroll bars by number, with left, top, width, height,
# maximum, start position and tab order.
CLIENT_AREA = (129, 257)
BARS = {
    1: (0, 0, 17, 257, 255, 255, 0),
    2: (16, 0, 17, 257, 255, 0, 1),
    3: (32, 0, 17, 257, 255, 0, 2),
    7: (48, 0, 33, 257, 5, 0, 6),
    4: (80, 0, 17, 257, 255, 0, 3),
    5: (96, 0, 17, 257, 255, 0, 4),
    6: (112, 0, 17, 257, 255, 255, 5),
}
HINTS = {1: "Red Start", 2: "Green Start", 3: "Blue Start", 4: "Red End", 5: "Green End",
         6: "Blue End", 7: "Style"}
# A hint shows after the pointer has rested for a moment (half a second by
# default); this only bounds the wait for it.
HINT_WAIT = 10
# The soak: thumb positions sent back to back in rounds, with the program's
# use of memory and handles sampled after each round, once it has settled
# (every change answered, the last cue played out). The first rounds let
# the heap and Wine's caches settle; a leak shows as growth across the
# rounds after them. Each change is a whole cycle (about 13 ms under Wine
# at 320x240). This short soak is for what only the real program shows: a
# descriptor or a large block kept a change. The small leaks (64 bytes, a
# brush, a handle a change) are the in-process soak's
# (Program.ChangesLeaveNoMemoryOrHandlesBehind), and bench/soak.sh runs the
# long one: HUEVANE_SOAK_ROUNDS=N measures N rounds instead of four.
# A round stays well inside the bound of one driver call on a busy machine.
SOAK_ROUND = 150
SOAK_WARMUP_ROUNDS = 2
SOAK_ROUNDS = int(os.environ.get("HUEVANE_SOAK_ROUNDS", "4"))
# How much the program may grow a change over the measured rounds, from the
# middle of the first three samples to the middle of the last three: a DC
# kept a cycle exceeds it, a page that Wine takes once does not. Descriptors
# may grow by a few in all (Wine opens a font or a driver once), never one a
# cycle.
SOAK_BYTES_PER_CHANGE = 32
SOAK_DESCRIPTOR_SLACK = 4
STORM_SEED = 20261207
STORM_MESSAGES = 3000
# The burst the kill falls into: key presses queued on one bar at once.
BURST_KEYS = 200

# The reader case: key presses queued on one bar at once, first with no
# reader, then with one that holds each new wallpaper file for a while:
# less than the program waits for a held file (about a quarter of a
# second), then more, so that pictures are kept pending and land later.
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
# The longest the window may take to answer then: a cycle's time, far less
# than the quarter second a save once waited for a reader on every change.
ANSWER_BOUND_MS = 200
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

# The popup menu's items as a screenshot shows their kinds, top to bottom:
# "Huevane" greyed, a separator, Help, About, a separator, Be Silent, Make
# Noise, a separator. About is the fourth.
POPUP_KINDS = ["disabled", "separator", "text", "text", "separator", "text", "text",
               "separator"]
POPUP_ABOUT = 3

# Where the help window is dragged to: the desktop's top-left corner, clear
# of the centred main window, so that both title bars can be clicked.
HELP_MOVED_TO = (10, 10)


# --- the cases -----------------------------------------------------------------

def first_cycle(case: Case, size: tuple[int, int]) -> None:
    case.set_up()
    case.start(size, screen=True).close()


def first_cycle_under(case: Case, version: str) -> None:
    """The first cycle under one of Wine's Windows versions. On the 95/98/Me
    family the folder is read with the ANSI call and the setting names the
    file in double quotes; Wine stores such a path but does not paint it,
    so the desktop is not checked, and two more changes show that the
    cycles go on."""
    quoted = WINDOWS_VERSIONS[version]
    case.set_up(temp_name="Tëmp 98" if quoted else "Temp", windows=version)
    run = case.start((800, 600), screen=not quoted)
    if quoted:
        # After the first cycle, two more changes: each gives the exact
        # picture, with no box, and the setting still names the file.
        run.program.keys((7, "DOWN", 1))
        run.expect_values((255, 0, 0, 0, 0, 255, 1), "the style bar one step down")
        run.program.keys((5, "DOWN", 9))
        run.expect_values((255, 0, 0, 0, 9, 255, 1), "ScrollBar5 nine steps down")
        run.check_state()
    run.close()


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


def check_layout(run: Run) -> None:
    client, _, bars = run.program.bars()
    check(client == CLIENT_AREA, f"the client area is {CLIENT_AREA}", str(client))
    if not check(len(bars) == 7, "the main window has seven scroll bars", f"{len(bars)} found"):
        return
    for place, bar in enumerate(bars):
        number = LEFT_TO_RIGHT[place]
        left, top, width, height, maximum, start, _ = BARS[number]
        want = [left, top, width, height, 0, maximum, 0, start, start, 1, 1]
        check(bar[:11] == want,
              f"ScrollBar{number}: rectangle {left},{top} {width}x{height}, range "
              f"0..{maximum}, page 0, position {start} (both ways), vertical, tab stop",
              f"left top width height min max page pos sbm-pos vertical tabstop = {bar[:11]}")
    # The Tab key visits the children in stacking order.
    stacked = [LEFT_TO_RIGHT[i] for i in sorted(range(7), key=lambda i: bars[i][11])]
    by_tab_order = sorted(BARS, key=lambda n: BARS[n][6])
    check(stacked == by_tab_order, f"the bars are stacked in tab order {by_tab_order}",
          f"stacked {stacked}")


def check_hints(run: Run) -> None:
    """Another program is active, and the pointer rests on a bar of the main
    window: that bar's hint shows next to it all the same."""
    session = run.session
    out = session.work / "front.out"
    with open(out, "wb") as sink:
        front = subprocess.Popen(
            ["wine", session.args.driver, "--desktop", run.program.desktop, "front",
             str(HINT_WAIT * 10 * 1000)],
            stdin=subprocess.DEVNULL, stdout=sink, stderr=session.log, env=session.env)
    session.launchers.append(front)
    if not wait_until(lambda: b"front" in out.read_bytes() or front.poll() is not None, WINE_CALL):
        raise CaseFailed(f"e2e_driver front: {out.read_bytes().decode('utf-8', 'replace')}")
    main = run.program.form(MAIN_CLASS)
    check(driver_facts(out).get("front") == ["1"] and main.get("active") == ["0"],
          "another program's window is active, not the main window", f"{driver_facts(out)} {main}")
    _, origin, bars = run.program.bars()
    for number in (7, 2, 6):
        left, top, width, height = bars[LEFT_TO_RIGHT.index(number)][:4]
        x, y = origin[0] + left + width // 2, origin[1] + top + height // 2
        run.session.xdotool("mousemove", "--sync", str(x), str(y))
        shown: list[str] = []

        def hint_shows():
            shown[:] = run.program.driver("tooltips").get("tooltip", [])
            return any(line.split(" ", 4)[4:] == [HINTS[number]] for line in shown)

        found = wait_until(hint_shows, HINT_WAIT)
        check(found, f"resting on ScrollBar{number} shows the hint {HINTS[number]!r}",
              f"tooltips seen: {shown}")
        if found:
            line = next(l for l in shown if l.split(" ", 4)[4:] == [HINTS[number]])
            tip_left, tip_top, _, _ = (int(v) for v in line.split()[:4])
            check(abs(tip_left - x) < 64 and 0 <= tip_top - y < 64,
                  f"the hint {HINTS[number]!r} shows just below the pointer",
                  f"tooltip at {tip_left},{tip_top}, pointer at {x},{y}")
    session.driver("release")
    front.wait(timeout=WINE_CALL)


def main_window_layout(case: Case) -> None:
    case.set_up()
    run = case.start((800, 600))
    check_layout(run)
    # A picture of the main window for a person to look at.
    run.screen.save_window(run.program.form(MAIN_CLASS), "main-window.png")
    check_hints(run)
    run.close()


def clicks_and_real_keys(run: Run) -> None:
    """Real clicks on the arrows, then real Tab and arrow keys: the click
    gives its bar the focus, Tab moves it on in tab order."""
    values = list(run.program.values())
    _, origin, bars = run.program.bars()

    def arrow(number: int, end: str) -> tuple[str, str]:
        left, top, width, height = bars[LEFT_TO_RIGHT.index(number)][:4]
        y = top + 6 if end == "up" else top + height - 7
        return str(origin[0] + left + width // 2), str(origin[1] + y)

    def click(number: int, end: str, change: int) -> None:
        run.session.xdotool("mousemove", "--sync", *arrow(number, end), "click", "1")
        values[number - 1] += change
        run.expect_values(tuple(values), f"a click on ScrollBar{number}'s {end} arrow")

    def press(keys: list[str], number: int, change: int, after: str) -> None:
        run.session.xdotool("key", "--delay", "30", *keys)
        values[number - 1] += change
        run.expect_values(tuple(values),
                          f"keys {' '.join(keys)} after {after} reach ScrollBar{number}")

    click(2, "up", -1)       # 255 -> 254 (set by the keyboard steps)
    click(4, "down", +1)     # 0 -> 1
    # ScrollBar4 has the focus: Tab twice is ScrollBar6 (tab orders 3, 4, 5).
    press(["Tab", "Tab", "Up"], 6, -1, "a click on ScrollBar4")
    # The style bar comes after the sixth although it stands in the middle.
    press(["Tab", "Up"], 7, -1, "ScrollBar6")
    # And round again to the first.
    press(["Tab", "Down"], 1, +1, "the style bar")
    press(["shift+Tab", "Home"], 7, -values[6], "ScrollBar1")


def keys_and_clicks_move_the_bars(case: Case) -> None:
    case.set_up()
    run = case.start((800, 600))
    keyboard_steps(run)
    clicks_and_real_keys(run)
    run.close()


def thumb_drag_soak(case: Case) -> None:
    """Thumb-track notifications back to back, in rounds, with the program's
    usage sampled after each round from the warm-up's last on."""
    case.set_up()
    run = case.start((320, 240))

    def settled_usage() -> dict[str, int]:
        """The program's usage once nothing is in flight: the drag's changes
        were all answered before the driver returned, and the last cue's
        stream is closed, so no buffer or descriptor of it is counted."""
        (channels, rate), _ = run.sound.expected_cue()
        check(wait_until(lambda: run.sound.capture_closed(channels, rate), SOUND_WAIT),
              "the last cue has played out before usage is sampled", "its stream stayed open")
        return run.program.usage()

    values = list(START_VALUES)
    bar = bar_index(5)
    started = time.monotonic()
    lost = 0
    samples = []
    for round_ in range(SOAK_WARMUP_ROUNDS + SOAK_ROUNDS):
        sent = run.program.driver("drag", bar, str(SOAK_ROUND), str(round_))
        lost += int(sent["lost"][0])
        if round_ + 1 >= SOAK_WARMUP_ROUNDS:
            samples.append(settled_usage())
    took = time.monotonic() - started
    changes = SOAK_ROUND * (SOAK_WARMUP_ROUNDS + SOAK_ROUNDS)
    say(f"{changes} thumb changes in {took:.1f}s ({took / changes * 1000:.2f} ms each, "
        "sampling included)")
    check(lost == 0, "every notification was answered", f"{lost} lost")
    values[4] = SOAK_WARMUP_ROUNDS + SOAK_ROUNDS - 1
    run.expect_values(tuple(values), "after the soak")
    say("     usage after change " + "".join(
        f"{SOAK_ROUND * (SOAK_WARMUP_ROUNDS + i):>10}" for i in range(len(samples))))
    for key in samples[0]:
        say(f"     {key:14}          " + "".join(f"{sample[key]:>10}" for sample in samples))

    def growth(key: str) -> int:
        first = sorted(sample[key] for sample in samples[:3])[1]
        last = sorted(sample[key] for sample in samples[-3:])[1]
        return last - first

    # Between the middles of the first and the last three samples.
    changes = SOAK_ROUND * (len(samples) - 3)
    # Not the working set or the resident size: on a busy machine the queue
    # of notifications grows and touches pages that no change keeps.
    for key, slack, unit in (("VmData", SOAK_BYTES_PER_CHANGE * changes, "bytes"),
                             ("fds", SOAK_DESCRIPTOR_SLACK, "")):
        # A counter that reads nothing would pass whatever leaked.
        if not check(all(sample.get(key, 0) > 0 for sample in samples),
                     f"{key} can be read", f"{[sample.get(key) for sample in samples]}"):
            continue
        check(growth(key) <= slack,
              f"{key} grew by at most {slack} {unit} over {changes} changes "
              f"({growth(key) / changes:+.1f} a change)",
              f"it grew by {growth(key)}: {[sample[key] for sample in samples]}")
    run.close()


def message_storm(case: Case) -> None:
    case.set_up()
    run = case.start((320, 240))
    sent = run.program.driver("storm", str(STORM_SEED), str(STORM_MESSAGES))
    say(f"storm: WM_VSCROLL, WM_HSCROLL, WM_SYSCOMMAND, WM_COMMAND sent {sent['sent'][0]}")
    check(sent["lost"] == ["0"], "every message of the storm was answered", str(sent["lost"]))
    state = run.program.state()
    check(state.get("dialogs") == ["0"], "no message box after the storm",
          "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
    check(state.get("responds") == ["1"] and state.get("visible") == ["1"],
          "the main window is visible and responds after the storm", str(state))
    # The last change of the storm left the picture of the bars' values.
    values = run.program.values()
    run.expect_values(values, "after the storm")
    # And the bars still work.
    key = "HOME" if values[0] > 0 else "END"
    run.program.keys((1, key, 1))
    values = (0 if key == "HOME" else 255,) + values[1:]
    run.expect_values(values, f"ScrollBar1 {key} after the storm")
    run.close()


def sound_switch(run: Run) -> None:
    """Be Silent from the system menu: the next cycle makes no sound at
    all. Make Noise: its cue at once, and nothing else; see
    make_noise_hears_nothing_else for why the order proves the silence."""
    sound = run.sound
    (strum_channels, strum_rate), _ = sound.expected_cue()
    # The start-up cue must have ended before the files are taken as the
    # baseline; a stream still open may write its last period.
    if not check(wait_until(lambda: sound.capture_closed(strum_channels, strum_rate),
                            SOUND_WAIT),
                 "the start-up cue's capture is closed", "it stayed open"):
        return
    before = sound.captures()

    choose_from_system_menu(run, "Be Silent")
    values = (255, 0, 1, 0, 0, 255, 0)
    run.program.keys((3, "DOWN", 1))
    run.expect_values(values, "ScrollBar3 DOWN after Be Silent")
    silent = sound.captures()
    check(silent == before, "the silent cycle sent nothing to ALSA",
          f"captures (inode, size, time) before {before}, after {silent}")

    make_noise_hears_nothing_else(run, before, "after Be Silent")


def system_menu_sound_switch(case: Case) -> None:
    case.set_up()
    run = case.start((320, 240))
    sound_switch(run)
    run.close()


def about_and_help_windows(case: Case) -> None:
    case.set_up(screenshots=True)
    run = case.start((800, 600))
    show_about(run)
    # "Yes I Agree. [OK]" only hides the dialog.
    check_hidden_by_click(run, ABOUT[0], "Yes I Agree. [OK]", "the About dialog")
    show_help(run)
    run.close()


def refuse(run: Run) -> None:
    """A real click on "No. I Don't Agree." ends the whole program by
    itself: exit code 0, no box, the main window gone, and the wallpaper
    file and setting exactly as they were."""
    wallpaper = run.wallpaper
    button = control_centre(run.program.form(ABOUT[0]), "No. I Don't Agree.")
    before = wallpaper.read_bytes()
    facts_before = wallpaper.stat()
    # The process is opened before the click: once gone, it could not be.
    session = run.session
    out = session.work / "driver-exit.out"
    with open(out, "wb") as sink:
        watcher = subprocess.Popen(
            ["wine", session.args.driver, "--desktop", run.program.desktop, "exit",
             str(CLOSE_WAIT * 1000)],
            stdin=subprocess.DEVNULL, stdout=sink, stderr=session.log, env=session.env)
    if not wait_until(lambda: b"watching" in out.read_bytes() or watcher.poll() is not None,
                      WINE_CALL) or watcher.poll() is not None:
        watcher.wait(timeout=WINE_CALL)
        raise CaseFailed(f"e2e_driver exit: {out.read_bytes().decode('utf-8', 'replace')}")
    session.click(*button)
    code = watcher.wait(timeout=CLOSE_WAIT + WINE_CALL)
    facts = driver_facts(out)
    if not check(code == 0 and "exit-code" in facts,
                 "a click on 'No. I Don't Agree.' ends the program by itself",
                 "; ".join(facts.get("error", [f"driver exit code {code}"]) +
                           facts.get("dialog-title", []) + facts.get("dialog-text", []))):
        return
    check(facts["exit-code"] == ["0"], "the program's exit code is 0", str(facts["exit-code"]))
    check(facts.get("dialogs-seen") == ["0"], "no message box came up on the way",
          "; ".join(facts.get("dialog-title", []) + facts.get("dialog-text", [])))
    check(facts.get("main-window-left") == ["0"], "the main window is destroyed",
          "it still exists")
    after = wallpaper.read_bytes() if wallpaper.exists() else b""
    check(after == before, "the wallpaper file is byte for byte what it was",
          f"{len(after)} bytes now, {len(before)} before")
    facts_after = wallpaper.stat() if wallpaper.exists() else facts_before
    check((facts_after.st_ino, facts_after.st_mtime_ns) ==
          (facts_before.st_ino, facts_before.st_mtime_ns),
          "the wallpaper file was not written again on the way out",
          f"inode and modification time {facts_before.st_ino}, "
          f"{facts_before.st_mtime_ns} before; {facts_after.st_ino}, "
          f"{facts_after.st_mtime_ns} after")
    check(after == run.pictures.expected(run.size).read_bytes(),
          f"the wallpaper file is still huevane-render's {run.size[0]}x{run.size[1]}",
          "it differs")
    check_no_temporaries(wallpaper.parent)
    setting = session.driver("wallpaper")
    for key, what in (("wallpaper-registry", r"HKCU\Control Panel\Desktop Wallpaper"),
                      ("wallpaper-spi", "SPI_GETDESKWALLPAPER")):
        check(setting.get(key) == [run.setting()], f"{what} still names the file",
              f"{setting.get(key)}, expected {run.setting()!r}")


def refusing_the_agreement_ends_the_program(case: Case) -> None:
    case.set_up()
    run = case.start((800, 600))
    show_about(run)
    refuse(run)
    run.finished()


def popup_menu_about(case: Case) -> None:
    """Shift+F10 and the menu key open the main window's popup menu at the
    window; a right-click on the style bar opens it at the pointer, in
    front of the main window, with its eight items;
    a left click on "About" then shows the About dialog with its cue."""
    case.set_up()
    run = case.start((800, 600))
    main = run.program.form(MAIN_CLASS)
    _, origin, bars = run.program.bars()
    left, top, width, height = bars[LEFT_TO_RIGHT.index(7)][:4]
    x, y = origin[0] + left + width // 2, origin[1] + top + height // 2
    # From the keyboard it opens at the client area's corner, not at the
    # screen's; Escape closes it again.
    for keys in ("shift+F10", "Menu"):
        run.session.xdotool("mousemove", "2", "2")
        run.session.xdotool("key", keys)
        shown = wait_until(lambda: run.program.driver("menus").get("menu"), WINDOW_WAIT)
        check(bool(shown) and shown[0].split()[:2] == [str(v) for v in origin],
              f"{keys} opens the popup menu at the client area's corner, {origin}", f"{shown}")
        run.session.xdotool("key", "Escape")
        check(wait_until(lambda: run.program.menu_count() == ["0"], WINDOW_WAIT),
              f"Escape closes the menu that {keys} opened", "it stayed open")
    before = run.sound.quiet(ABOUT_CUE)
    run.session.xdotool("mousemove", str(x), str(y), "click", "3")
    menus: list[str] = []

    def opened():
        menus[:] = run.program.driver("menus").get("menu", [])
        return len(menus) == 1
    if not check(wait_until(opened, WINDOW_WAIT),
                 "a right-click on the style bar opens one menu", f"menus {menus}"):
        raise CaseFailed("no popup menu")
    mleft, mtop, mright, mbottom, place = (int(v) for v in menus[0].split())
    check((mleft, mtop) == (x, y), f"the menu opens at the pointer, {x},{y}",
          f"its top-left corner is at {mleft},{mtop}")
    wleft, wtop, wright, wbottom = numbers(main, "rect")
    check(wleft <= mleft < wright and wtop <= mtop < wbottom,
          "the menu opens over the main window",
          f"menu at {mleft},{mtop}; main window {wleft},{wtop} to {wright},{wbottom}")
    main_place = numbers(run.program.form(MAIN_CLASS), "stacking")[1]
    check(0 <= place < main_place, "the menu stands in front of the main window",
          f"stacking places {place} and main window {main_place}")

    items: list[tuple[str, int]] = []

    def painted():
        items[:] = run.screen.popup_items((mleft, mtop, mright, mbottom))
        return [kind for kind, _ in items] == POPUP_KINDS
    wait_until(painted, SETTLE_WAIT)
    kinds = [kind for kind, _ in items]
    if not check(kinds == POPUP_KINDS,
                 "the menu shows the eight items: the greyed title, a separator, "
                 "two commands, a separator, two commands, a separator",
                 f"seen {kinds}; see {run.session.work / 'popup-menu.png'}"):
        raise CaseFailed("the popup menu's items are not the menu's")
    run.session.click((mleft + mright) // 2, items[POPUP_ABOUT][1])
    closed = wait_until(lambda: run.program.menu_count() == ["0"], WINDOW_WAIT)
    check(closed, "a click on the fourth item chooses it and closes the menu",
          "the menu stayed open")
    facts = check_shown(run, ABOUT, "About, clicked in the popup menu,")
    check_centred(run, facts, "the About dialog")
    run.sound.check_cue(ABOUT_CUE, before, "About from the popup menu")
    run.close()


def move_help(run: Run) -> tuple[int, ...]:
    """The help window dragged by its title bar with the mouse, to the
    desktop's top-left corner; returns where it stands then."""
    facts = run.program.form(HELP[0])
    left, top, right, bottom = numbers(facts, "rect")
    if not check("grip" in facts, "the help window's title bar is not covered", str(facts)):
        raise CaseFailed("the help window's title bar cannot be gripped")
    x, y = numbers(facts, "grip")
    dx, dy = HELP_MOVED_TO[0] - left, HELP_MOVED_TO[1] - top
    run.session.xdotool("mousemove", str(x), str(y), "mousedown", "1",
                        "mousemove", str(x + dx // 2), str(y + dy // 2),
                        "mousemove", str(x + dx), str(y + dy), "mouseup", "1")
    wanted = (left + dx, top + dy, right + dx, bottom + dy)
    seen: list = []

    def moved():
        seen[:] = numbers(run.program.form(HELP[0]), "rect")
        return tuple(seen) == wanted
    check(wait_until(moved, WINDOW_WAIT),
          f"dragging its title bar by {dx},{dy} moves the help window to "
          f"{wanted[0]},{wanted[1]}", f"it stands at {seen}")
    return tuple(seen)


def help_again(run: Run, place: tuple[int, ...]) -> None:
    """Help chosen while the help window shows, behind the active main
    window: the same window comes to the front where it stands, and its
    cue plays again."""
    activate_main(run)
    facts = run.program.form(HELP[0])
    check(facts.get("visible") == ["1"] and facts.get("active") == ["0"],
          "the help window shows and is not active", str(facts))
    before = run.sound.quiet(HELP_CUE)
    choose_from_system_menu(run, "Help")
    facts = {}

    def active():
        facts.clear()
        facts.update(run.program.form(HELP[0]))
        return facts.get("active") == ["1"]
    check(wait_until(active, WINDOW_WAIT), "Help again makes the help window active", str(facts))
    check(facts.get("count") == ["1"] and facts.get("visible") == ["1"],
          "there is still one help window, shown", str(facts))
    check(numbers(facts, "rect") == place, "it stays where it was dragged",
          f"{facts['rect']}, was {place}")
    run.sound.check_cue(HELP_CUE, before, "Help again")


def help_returns(run: Run, place: tuple[int, ...]) -> None:
    """Help once more: the window shows again where it was left, not
    centred again, and as it was."""
    activate_main(run)
    before = run.sound.quiet(HELP_CUE)
    choose_from_system_menu(run, "Help")
    facts = check_shown(run, HELP, "Help after Close Help")
    check(numbers(facts, "rect") == place, f"the help window shows where it was left, {place}",
          f"it stands at {facts['rect']}")
    run.sound.check_cue(HELP_CUE, before, "Help after Close Help")
    check_help_picture(run, facts)


def close_help_keeps_its_place(case: Case) -> None:
    case.set_up()
    run = case.start((1024, 768))
    show_help(run)
    place = move_help(run)
    help_again(run, place)
    # "Close Help" hides the window; the program goes on.
    check_hidden_by_click(run, HELP[0], "Close Help", "the help window")
    help_returns(run, place)
    run.close()


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
            say(f"     {what}: {answers['answers'][0]} answers, the longest took {longest} ms")
            check(longest < ANSWER_BOUND_MS,
                  f"{what}: the window answered within {ANSWER_BOUND_MS} ms while held",
                  f"once it took {longest} ms")
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


# --- the table -------------------------------------------------------------------

# Each case by its name: what it adds, and its steps.
CASES: dict[str, tuple[str, Callable[[Case], None]]] = {
    "first_cycle_800x600": (
        "start at 800x600: file, wallpaper setting, desktop pixels, cue",
        partial(first_cycle, size=(800, 600))),
    "first_cycle_1024x768": (
        "start at 1024x768: file, wallpaper setting, desktop pixels, cue",
        partial(first_cycle, size=(1024, 768))),
    "first_cycle_1366x768": (
        "start at 1366x768 (row padding): file, setting, pixels, cue",
        partial(first_cycle, size=(1366, 768))),
    "non_ascii_temp_folder": (
        "a temporary folder with non-ASCII characters and spaces",
        non_ascii_temp_folder),
    "unwritable_temp_folder": (
        "no file can be written: no message box, still published",
        unwritable_temp_folder),
    "full_filesystem_keeps_last_wallpaper": (
        "a full folder, then an immutable one: each picture still lands in place; a "
        "save that cannot fit leaves the last good file and no name of ours",
        full_filesystem_keeps_last_wallpaper),
    "main_window_layout": (
        "client area, the seven bars' places, ranges, start values, tab order, hints",
        main_window_layout),
    "keys_and_clicks_move_the_bars": (
        "posted keys, arrow clicks, Tab and real keys: the exact wallpaper each time",
        keys_and_clicks_move_the_bars),
    "thumb_drag_soak": (
        "thousands of thumb positions back to back: exact picture, no growth",
        thumb_drag_soak),
    "message_storm": (
        "random scroll, system and menu messages: no crash, no box, clean exit",
        message_storm),
    "system_menu_sound_switch": (
        "Be Silent and Make Noise chosen from the system menu with keys, heard at ALSA",
        system_menu_sound_switch),
    "about_and_help_windows": (
        "About and Help from the system menu: in front, their cues, exact pictures",
        about_and_help_windows),
    "refusing_the_agreement_ends_the_program": (
        "a click on No. I Don't Agree. ends the program: exit code 0, wallpaper kept",
        refusing_the_agreement_ends_the_program),
    "popup_menu_about": (
        "a right-click on a bar opens the popup menu; About chosen with the mouse",
        popup_menu_about),
    "close_help_keeps_its_place": (
        "the help window dragged, chosen again, closed and shown again where it was left",
        close_help_keeps_its_place),
    "long_temp_folder": (
        "a temporary folder whose path is 245 characters: every save lands",
        long_temp_folder),
    "held_file_keeps_the_last_change": (
        "a reader holds each new wallpaper file 150 ms, then 400 ms: bursts of changes "
        "all land, the last exact, one picture written per change, one spare left; a "
        "viewer's long hold across a close and a log-off: the window answers, the last "
        "change lands, nothing of ours stays",
        held_file_keeps_the_last_change),
    "log_off_leaves_one_file": (
        "WM_QUERYENDSESSION, WM_ENDSESSION and the process ended: Huevane.Bmp alone, exact",
        log_off_leaves_one_file),
    "display_change_resizes_the_wallpaper": (
        "the virtual desktop resized while the program runs: the wallpaper follows, "
        "exact, shown, with no cue",
        display_change_resizes_the_wallpaper),
    "killed_in_a_burst_leaves_one_file": (
        "killed during a burst of changes: a whole file; the next start clears what "
        "the kill left; a clean close leaves Huevane.Bmp alone, exact",
        killed_in_a_burst_leaves_one_file),
}
CASES.update({
    f"first_cycle_{version}": (
        f"start under Wine's {version}: " + (
            "ANSI temporary folder, quoted wallpaper setting, no box, cycles go on" if quoted
            else "file, wallpaper setting, desktop pixels, cue"),
        partial(first_cycle_under, version=version))
    for version, quoted in WINDOWS_VERSIONS.items()})
