"""The steps that several cases take, and what they need to know of the
About dialog and the help window: opening the system menu and choosing
from it, making the main window active, and checking a window that shows,
its place, its pictures and its buttons."""

from __future__ import annotations

from harness import WINDOW_WAIT, CaseFailed, check, wait_until
from runs import Run
from session import MAIN_CLASS, control_centre, numbers
from wallpaper import Bitmap

# Down presses from the system menu's first entry (Home) to each choice.
# Wine's menus skip separators but stop on disabled entries, so from the
# greyed "Huevane" they pass Help and About: Be Silent is the third.
MENU_DOWNS = {"Help": 1, "About": 2, "Be Silent": 3, "Make Noise": 4}

# The About dialog and the help window: class, caption, client area.
ABOUT = ("TForm2", "About Ostrega", (474, 446))
HELP = ("TForm3", "Huevane Help", (376, 308))
WS_EX_TOPMOST = 0x8
WS_EX_TOOLWINDOW = 0x80
ABOUT_CUE = "RSTRUM.wav"
HELP_CUE = "REXIT.wav"
# The cue that Make Noise plays at once.
NOISE_CUE = "RSTART.wav"
# The banner is drawn 4 pixels left of the About dialog's client area: client
# pixel (x, y) is the banner's (x + 4, y) on its first 128 rows.
BANNER = "banner.bmp"
BANNER_SHIFT = 4
# The help window's picture, at this client position, and its eight
# connectors drawn on top of it: row, first and last column, in client
# coordinates; each runs from its label to a pictured element inside the
# picture. Off the picture, the labels "Menu" and "Green End" are painted
# after their lines and cover the lines' outer ends: those two lines are
# certain only on the picture, the others along their whole length.
HELP_PICTURE = "help.bmp"
HELP_PICTURE_AT = (120, 12)
CONNECTORS = ((28, 68, 132, False), (80, 64, 136, True), (96, 84, 148, True),
              (112, 96, 160, True), (76, 212, 276, True), (92, 224, 288, False),
              (108, 240, 304, True), (232, 104, 192, True))
BLACK = (0, 0, 0)


def keyboard_steps(run: Run) -> None:
    """Keys posted to the bars, as the system queues them for a focused
    bar: each key is one step, and the ends hold."""
    steps = [
        (((3, "DOWN", 3),), (255, 0, 3, 0, 0, 255, 0)),
        (((7, "END", 1), (7, "NEXT", 1)), (255, 0, 3, 0, 0, 255, 5)),
        (((6, "UP", 5), (6, "DOWN", 1)), (255, 0, 3, 0, 0, 251, 5)),
        (((1, "HOME", 1), (5, "NEXT", 2), (5, "PRIOR", 1)), (0, 0, 3, 0, 1, 251, 5)),
        (((4, "UP", 1), (1, "UP", 1), (2, "END", 1)), (0, 255, 3, 0, 1, 251, 5)),
    ]
    for presses, values in steps:
        run.program.keys(*presses)
        run.expect_values(values,
                          "keys " + ", ".join(f"ScrollBar{n} {k}x{c}" for n, k, c in presses))


def choose_from_system_menu(run: Run, caption: str) -> None:
    """Opens the main window's system menu with Alt+Space, as a user does,
    and picks the entry by moving down from the top: its captions have
    no access keys. Returns once the menu has closed, when the choice has
    already been posted to the program."""
    # With no window manager, X gives the keys to the window under the
    # pointer: a corner of the desktop that the main window leaves free.
    # The server handles the move before the keys; --sync would wait for
    # a motion that never comes once the pointer is already there.
    run.session.xdotool("mousemove", "2", "2")
    run.session.xdotool("key", "alt+space")
    opened = wait_until(run.program.open_menu, WINDOW_WAIT)
    if not check(bool(opened), f"Alt+Space opens the system menu (for {caption!r})",
                 "no menu window appeared"):
        raise CaseFailed("the system menu did not open")
    run.program.menu_closed = opened
    run.session.xdotool("key", "--delay", "30", "Home", *["Down"] * MENU_DOWNS[caption], "Return")
    closed = wait_until(lambda: run.program.menu_count() == ["0"], WINDOW_WAIT)
    if not check(closed, f"Home, Down x{MENU_DOWNS[caption]}, Enter chooses "
                         f"{caption!r} and closes the menu", "the menu stayed open"):
        raise CaseFailed("the system menu did not close")


def make_noise_hears_nothing_else(run: Run, before: dict[str, tuple[int, int, int]],
                                  since: str) -> None:
    """Make Noise from the system menu: its cue at once, and nothing else
    reached ALSA since the captures were `before`. The silence is proven by
    order, not by waiting: the program handles one message after another,
    so what it did before Make Noise was chosen is over, and a cue of it
    would have reached ALSA before Make Noise's own, which cuts off
    whatever still sounds, and would have left its mark on the files."""
    sound = run.sound
    choose_from_system_menu(run, "Make Noise")
    sound.check_cue(NOISE_CUE, before, "Make Noise")
    noise_file, _ = sound.cue(NOISE_CUE)
    after = {name: facts for name, facts in sound.captures().items()
             if name != noise_file.name}
    check(after == {name: facts for name, facts in before.items() if name != noise_file.name},
          f"nothing but {NOISE_CUE} reached ALSA {since}",
          f"captures (inode, size, time) before {before}, after {after}")


def activate_main(run: Run) -> None:
    """A click on the main window's title bar, as a user brings it back:
    with no window manager, Wine's virtual desktop handles the click
    itself and makes the window the active one, which then gets the
    keys."""
    facts = run.program.form(MAIN_CLASS)
    if not check("grip" in facts, "the main window's title bar is not covered", str(facts)):
        raise CaseFailed("the main window's title bar cannot be clicked")
    run.session.click(*numbers(facts, "grip"))
    active = wait_until(lambda: run.program.form(MAIN_CLASS).get("active") == ["1"],
                        WINDOW_WAIT)
    if not check(active, "a click on its title bar makes the main window active",
                 "another window stayed active"):
        raise CaseFailed("the main window did not become active")


def check_shown(run: Run, kind: tuple, chosen: str) -> dict[str, list[str]]:
    """Waits for the window of that kind to show after `chosen` was chosen
    from the menu, and checks what a user sees of it at once: the one
    window of its class, its caption and client area, always on top, in
    front of the main window and active."""
    class_name, caption, client = kind
    facts: dict[str, list[str]] = {}

    def shown():
        facts.clear()
        facts.update(run.program.form(class_name))
        return facts.get("visible") == ["1"]

    if not check(wait_until(shown, WINDOW_WAIT), f"{chosen} shows a {class_name}", str(facts)):
        raise CaseFailed(f"no {class_name} showed")
    check(facts["count"] == ["1"], f"there is one {class_name}", f"{facts['count']} windows")
    check(facts["caption"] == [caption], f"its caption is {caption!r}", str(facts["caption"]))
    check(numbers(facts, "client") == client, f"its client area is {client[0]}x{client[1]}",
          str(facts["client"]))
    exstyle = int(facts["exstyle"][0])
    check(bool(exstyle & WS_EX_TOPMOST), "it stays on top of ordinary windows",
          f"extended style {exstyle:#x}")
    form_place, main_place = numbers(facts, "stacking")
    check(0 <= form_place < main_place, "it stands in front of the main window",
          f"stacking places {form_place} and main window {main_place}")
    check(facts.get("active") == ["1"], "it is the active window", str(facts))
    state = run.program.state()
    check(state.get("dialogs") == ["0"], "no message box",
          "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
    return facts


def check_centred(run: Run, facts: dict[str, list[str]], what: str) -> None:
    left, top, right, bottom = numbers(facts, "rect")
    width, height = run.size
    check(abs(left + right - width) <= 1 and abs(top + bottom - height) <= 1,
          f"{what} is centred on the {width}x{height} desktop",
          f"window {left},{top} to {right},{bottom}")


def check_hidden_by_click(run: Run, class_name: str, button: str, what: str) -> None:
    """A real click on the window's `button` hides it; the program goes on."""
    run.session.click(*control_centre(run.program.form(class_name), button))
    facts: dict[str, list[str]] = {}

    def hidden():
        facts.clear()
        facts.update(run.program.form(class_name))
        return facts.get("visible") == ["0"]
    check(wait_until(hidden, WINDOW_WAIT) and facts.get("count") == ["1"],
          f"a click on {button!r} hides {what}", str(facts))
    run.check_state()


def check_banner(run: Run, facts: dict[str, list[str]]) -> None:
    banner = Bitmap.read(run.session.args.pictures / BANNER)
    x0, y0 = numbers(facts, "client-origin")
    width = numbers(facts, "client")[0]
    expected = [(x, y, banner.rgb(x + BANNER_SHIFT, y))
                for y in range(banner.height) for x in range(width)]
    run.screen.check_pixels("the About dialog's banner", facts, (x0, y0, width, banner.height),
                            expected)


def check_help_picture(run: Run, facts: dict[str, list[str]]) -> None:
    """The picture of the main window, exact, with the connectors drawn
    over it: each row black from the line's start to its end, and
    nothing else of the picture changed."""
    picture = Bitmap.read(run.session.args.pictures / HELP_PICTURE)
    px, py = HELP_PICTURE_AT
    lines = {row: (first, last) for row, first, last, _ in CONNECTORS}

    def colour(x: int, y: int) -> tuple[int, int, int]:
        first, last = lines.get(y, (0, -1))
        return BLACK if first <= x <= last else picture.rgb(x - px, y - py)

    expected = [(x, y, colour(x, y))
                for y in range(py, py + picture.height) for x in range(px, px + picture.width)]
    expected += [(x, row, BLACK) for row, first, last, whole in CONNECTORS if whole
                 for x in range(first, last + 1) if not px <= x < px + picture.width]
    x0, y0 = numbers(facts, "client-origin")
    width, height = numbers(facts, "client")
    run.screen.check_pixels("the help window's picture and connectors", facts,
                            (x0, y0, width, height), expected)


def show_about(run: Run) -> None:
    """About from the system menu: the agreement dialog comes to the front,
    centred, with its cue and its banner exactly as stored."""
    run.screen.save_window(run.program.form(MAIN_CLASS), "main-window.png")
    before = run.sound.quiet(ABOUT_CUE)
    choose_from_system_menu(run, "About")
    facts = check_shown(run, ABOUT, "About")
    exstyle = int(facts["exstyle"][0])
    check(bool(exstyle & WS_EX_TOOLWINDOW), "it is a tool window", f"extended style {exstyle:#x}")
    check_centred(run, facts, "the About dialog")
    run.sound.check_cue(ABOUT_CUE, before, "About")
    check_banner(run, facts)
    uncover_banner(run)
    check_banner(run, run.program.form(ABOUT[0]))
    run.screen.save_window(facts, "about.png")


def uncover_banner(run: Run) -> None:
    """A part of the banner, away from the client area's corner, painted on
    its own as when a window or a menu moves off it: the dialog paints it
    from its off-screen picture, which must give that part of the banner
    as a whole paint does. (A real menu would do, but Wine leaves its drop
    shadow on the window now and then.)"""
    facts = run.program.driver("invalidate", ABOUT[0], "60", "30", "260", "110")
    check(facts.get("pending") == ["0"], "a part of the banner uncovered is painted",
          str(facts))


def show_help(run: Run) -> None:
    """The main window made active by a click; Help from its system menu:
    the help window comes to the front, centred the first time, with its
    cue, its picture and its connectors exact."""
    activate_main(run)
    before = run.sound.quiet(HELP_CUE)
    choose_from_system_menu(run, "Help")
    facts = check_shown(run, HELP, "Help")
    check_centred(run, facts, "the help window, shown the first time,")
    run.sound.check_cue(HELP_CUE, before, "Help")
    check_help_picture(run, facts)
    run.screen.save_window(facts, "help.png")

