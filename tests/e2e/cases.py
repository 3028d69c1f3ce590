"""The cases: one function each, its steps and checks in order, and the
table of them at the end (ctest runs each as win32.e2e.NAME). The cases of
the wallpaper file on a busy desktop are in cases_files.py; the steps that
several cases take are in steps.py.

Every start of the program (Case.start) checks its first cycle. Each step
after it that changes a bar checks, before the next, that the wallpaper
file has become the exact picture of the bars' values."""

from __future__ import annotations

import os
import subprocess
import time
from functools import partial
from typing import Callable

import cases_files as files
from harness import (CLOSE_WAIT, SETTLE_WAIT, SOUND_WAIT, WINDOW_WAIT, WINE_CALL, CaseFailed,
                     check, say, wait_until)
from runs import WINDOWS_VERSIONS, Case, Run
from session import LEFT_TO_RIGHT, MAIN_CLASS, bar_index, control_centre, driver_facts, numbers
from steps import (ABOUT, ABOUT_CUE, HELP, HELP_CUE, activate_main, check_centred,
                   check_help_picture, check_hidden_by_click, check_shown,
                   choose_from_system_menu, keyboard_steps, make_noise_hears_nothing_else,
                   show_about, show_help)
from wallpaper import START_VALUES, check_no_temporaries

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
        files.non_ascii_temp_folder),
    "unwritable_temp_folder": (
        "no file can be written: no message box, still published",
        files.unwritable_temp_folder),
    "full_filesystem_keeps_last_wallpaper": (
        "a full folder, then an immutable one: each picture still lands in place; a "
        "save that cannot fit leaves the last good file and no name of ours",
        files.full_filesystem_keeps_last_wallpaper),
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
        files.long_temp_folder),
    "held_file_keeps_the_last_change": (
        "a reader holds each new wallpaper file 150 ms, then 400 ms: bursts of changes "
        "all land, the last exact, one picture written per change, one spare left; a "
        "viewer's long hold across a close and a log-off: the window answers, the last "
        "change lands, nothing of ours stays",
        files.held_file_keeps_the_last_change),
    "log_off_leaves_one_file": (
        "WM_QUERYENDSESSION, WM_ENDSESSION and the process ended: Huevane.Bmp alone, exact",
        files.log_off_leaves_one_file),
    "display_change_resizes_the_wallpaper": (
        "the virtual desktop resized while the program runs: the wallpaper follows, "
        "exact, shown, with no cue",
        files.display_change_resizes_the_wallpaper),
    "killed_in_a_burst_leaves_one_file": (
        "killed during a burst of changes: a whole file; the next start clears what "
        "the kill left; a clean close leaves Huevane.Bmp alone, exact",
        files.killed_in_a_burst_leaves_one_file),
}
CASES.update({
    f"first_cycle_{version}": (
        f"start under Wine's {version}: " + (
            "ANSI temporary folder, quoted wallpaper setting, no box, cycles go on" if quoted
            else "file, wallpaper setting, desktop pixels, cue"),
        partial(first_cycle_under, version=version))
    for version, quoted in WINDOWS_VERSIONS.items()})
