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

Mounts (the unwritable folder, the small filesystem) are made in a private
mount namespace. Where none can be made, or with
HUEVANE_E2E_PRIVATE_MOUNTS=0 in the environment, the cases fall back to
chattr +i and to a file-size limit on the program.

Exit status: 0 passed, 1 failed, 77 this machine cannot set up the case
(reported by ctest as skipped), 2 bad arguments.
"""

from __future__ import annotations

import argparse
import fcntl
import os
import resource
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

SKIPPED = 77

# The first cycle of every start: pure red to pure blue, left to right.
FIRST_START = (255, 0, 0)
FIRST_END = (0, 0, 255)
FIRST_STYLE = 0
WALLPAPER_NAME = "Huevane.Bmp"
# The cue that closes every cycle; the start-up click before it is cut off
# by it within milliseconds, so only this one is sure to reach the device.
CYCLE_CUE = "RSTRUM.wav"

# The fonts that come with Wine (Debian's fonts-wine).
WINE_FONTS = Path("/usr/share/wine/fonts")
# Holds the largest desktop of any case.
XVFB_SCREEN = "1920x1080x24"
# Bounds of the waits, in seconds. Each wait polls its condition and returns
# as soon as it holds; these only limit how long a broken run can hang.
WINDOW_WAIT = 30
CLOSE_WAIT = 15
SOUND_WAIT = 30
# Bounds a window's paint, which on a busy machine may take a while: a screen
# check waits until the window shows what it should, or has finished painting.
SETTLE_WAIT = 60
WINE_CALL = 60
POLL = 0.05

# How far a pixel of the screenshot may stray from the file, per channel. The
# desktop shows the file as it is, on a 24-bit screen: exactly.
SCREEN_TOLERANCE = 0
# Samples are kept this far from the main window's frame; of the 18 x 14
# sampled, the small centred window hides only a few.
WINDOW_MARGIN = 8
MIN_SCREEN_POINTS = 200
# A captured sample at least this loud counts as sound (16-bit full scale is
# 32767; the cue peaks near 10000).
AUDIBLE = 1000
# The small filesystem of the full-filesystem case, and what is left free on
# it before the second run: more than nothing, so the save fails part-way.
SMALL_FS_BYTES = 4 * 1024 * 1024
SMALL_FS_LEFT = 256 * 1024
# The program's own files beside the wallpaper: "~hv", the writer's process
# id and one more digit, in base 32 (the old form ended in .tmp).
OUR_NAMES = ("~hv" + "[0-9a-v]" * 8, "*.tmp")
# The burst the kill falls into: key presses queued on one bar at once.
BURST_KEYS = 200


@dataclass(frozen=True)
class Run:
    """One start of the program.

    file: "rendered" - the wallpaper file equals huevane-render's picture at
    this size; "absent" - no file could be written; "kept" - the file is the
    one the previous run left, byte for byte.
    """

    size: tuple[int, int]
    file: str
    screen: bool = False
    # What a user then does with the running program, in order (the names
    # of Session.act_* methods); each leaves the exact wallpaper for the
    # bars' values behind, checked before the next.
    actions: tuple[str, ...] = ()
    # The last action ends the program itself, and checks how it ended:
    # the run does not close it.
    ends: bool = False


@dataclass(frozen=True)
class Case:
    runs: tuple[Run, ...]
    temp_name: str = "Temp"
    # "plain", "unwritable" (nothing can be created in it) or
    # "small-filesystem" (full before the second run).
    folder: str = "plain"
    about: str = ""
    # Its pictures of the windows are the ones HUEVANE_E2E_SCREENSHOTS asks for.
    screenshots: bool = False
    # The Windows version Wine reports (WINDOWS_VERSIONS); "" the prefix's default.
    windows: str = ""
    # When set, temp_name is padded so that the temporary folder's Windows
    # path has this many characters.
    temp_length: int = 0


CASES: dict[str, Case] = {
    "first_cycle_800x600": Case(
        runs=(Run((800, 600), "rendered", screen=True),),
        about="start at 800x600: file, wallpaper setting, desktop pixels, cue"),
    "first_cycle_1024x768": Case(
        runs=(Run((1024, 768), "rendered", screen=True),),
        about="start at 1024x768: file, wallpaper setting, desktop pixels, cue"),
    "first_cycle_1366x768": Case(
        runs=(Run((1366, 768), "rendered", screen=True),),
        about="start at 1366x768 (row padding): file, setting, pixels, cue"),
    "non_ascii_temp_folder": Case(
        temp_name="Tëmp Жж 日本",
        runs=(Run((800, 600), "rendered"),),
        about="a temporary folder with non-ASCII characters and spaces"),
    "unwritable_temp_folder": Case(
        folder="unwritable",
        runs=(Run((800, 600), "absent"),),
        about="no file can be written: no message box, still published"),
    "full_filesystem_keeps_last_wallpaper": Case(
        folder="small-filesystem",
        runs=(Run((800, 600), "rendered", actions=("full_folder",)), Run((1024, 768), "kept")),
        about="a full folder: the spare still takes each picture in place; a save that "
              "cannot fit leaves the last good file and no name of ours"),
    "main_window_layout": Case(
        runs=(Run((800, 600), "rendered", actions=("layout", "screenshot", "hints")),),
        about="client area, the seven bars' places, ranges, start values, tab order, hints"),
    "keys_and_clicks_move_the_bars": Case(
        runs=(Run((800, 600), "rendered", actions=("keyboard", "mouse")),),
        about="posted keys, arrow clicks, Tab and real keys: the exact wallpaper each time"),
    "thumb_drag_soak": Case(
        runs=(Run((320, 240), "rendered", actions=("soak",)),),
        about="thousands of thumb positions back to back: exact picture, no growth"),
    "message_storm": Case(
        runs=(Run((320, 240), "rendered", actions=("storm",)),),
        about="random scroll, system and menu messages: no crash, no box, clean exit"),
    "system_menu_sound_switch": Case(
        runs=(Run((320, 240), "rendered", actions=("sound_switch",)),),
        about="Be Silent and Make Noise chosen from the system menu with keys, heard at ALSA"),
    "about_and_help_windows": Case(
        runs=(Run((800, 600), "rendered", actions=("about", "agree", "help")),),
        screenshots=True,
        about="About and Help from the system menu: in front, their cues, exact pictures"),
    "refusing_the_agreement_ends_the_program": Case(
        runs=(Run((800, 600), "rendered", actions=("about", "refuse"), ends=True),),
        about="a click on No. I Don't Agree. ends the program: exit code 0, wallpaper kept"),
    "popup_menu_about": Case(
        runs=(Run((800, 600), "rendered", actions=("popup_about",)),),
        about="a right-click on a bar opens the popup menu; About chosen with the mouse"),
    "close_help_keeps_its_place": Case(
        runs=(Run((1024, 768), "rendered",
                  actions=("help", "move_help", "help_again", "close_help", "help_returns")),),
        about="the help window dragged, chosen again, closed and shown again where it was left"),
    "long_temp_folder": Case(
        temp_length=245,
        runs=(Run((800, 600), "rendered", actions=("keyboard",)),),
        about="a temporary folder whose path is 245 characters: every save lands"),
    "killed_in_a_burst_leaves_one_file": Case(
        runs=(Run((1024, 768), "rendered", actions=("kill_in_burst",), ends=True),
              Run((1024, 768), "rendered", actions=("close_leaves_one_file",), ends=True)),
        about="killed during a burst of changes: a whole file; the next start clears what "
              "the kill left; a clean close leaves Huevane.Bmp alone, exact"),
}

# The first cycle under Wine's Windows versions (the prefix's Version
# setting, as winecfg sets it). True: the 95/98/Me family, which reads the
# temporary folder with the ANSI call and hands the wallpaper path over in
# double quotes; Wine stores such a path but does not paint it, so the
# desktop is not checked, and two more changes show that the cycles go on.
WINDOWS_VERSIONS = {"win7": False, "win10": False, "win98": True}
CASES.update({
    f"first_cycle_{version}": Case(
        windows=version,
        temp_name="Tëmp 98" if quoted else "Temp",
        runs=(Run((800, 600), "rendered", screen=not quoted,
                  actions=("cycles_go_on",) if quoted else ()),),
        about=f"start under Wine's {version}: " + (
            "ANSI temporary folder, quoted wallpaper setting, no box, cycles go on" if quoted
            else "file, wallpaper setting, desktop pixels, cue"))
    for version, quoted in WINDOWS_VERSIONS.items()})

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
# The bars' numbers from left to right: the driver names a bar by its place.
LEFT_TO_RIGHT = (1, 2, 3, 7, 4, 5, 6)
# The seven control values, bars 1 to 7, at every start.
START_VALUES = FIRST_START + FIRST_END + (FIRST_STYLE,)
VK = {"PRIOR": 0x21, "NEXT": 0x22, "END": 0x23, "HOME": 0x24, "UP": 0x26, "DOWN": 0x28}
# A new picture takes a cycle or two; a drag of thousands takes longer.
CHANGE_WAIT = 20
# The soak: thumb positions sent back to back in rounds, with the program's
# use of memory and handles sampled after each round, once it has settled
# (every change answered, the last cue played out). The first rounds let
# the heap and Wine's caches settle; a leak shows as growth across the
# rounds after them. Each change is a whole cycle (about 13 ms under Wine
# at 320x240).
# A round stays well inside the bound of one driver call on a busy machine.
SOAK_ROUND = 500
SOAK_WARMUP_ROUNDS = 4
SOAK_ROUNDS = 16
# How much the program may grow over the measured rounds, from the middle
# of the first three samples to the middle of the last three. A leak of a
# surface, a bitmap or a handle per cycle would exceed these thousands of
# times over, and one of 256 bytes per cycle would exceed the memory bound.
SOAK_MEMORY_SLACK = 2 * 1024 * 1024
SOAK_HANDLE_SLACK = 4
STORM_SEED = 20261207
STORM_MESSAGES = 3000
# The cue that Make Noise plays at once.
NOISE_CUE = "RSTART.wav"
# Down presses from the system menu's first entry (Home) to each choice.
# Wine's menus skip separators but stop on disabled entries, so from the
# greyed "Huevane" they pass Help and About: Be Silent is the third.
MENU_DOWNS = {"Help": 1, "About": 2, "Be Silent": 3, "Make Noise": 4}

# The popup menu's items as a screenshot shows their kinds, top to bottom:
# "Huevane" greyed, a separator, Help, About, a separator, Be Silent, Make
# Noise, a separator. About is the fourth.
POPUP_KINDS = ["disabled", "separator", "text", "text", "separator", "text", "text",
               "separator"]
POPUP_ABOUT = 3

# The About dialog and the help window: class, caption, client area.
ABOUT = ("TForm2", "About Ostrega", (474, 446))
HELP = ("TForm3", "Huevane Help", (376, 308))
MAIN_CLASS = "TForm1"
WS_EX_TOPMOST = 0x8
WS_EX_TOOLWINDOW = 0x80
ABOUT_CUE = "RSTRUM.wav"
HELP_CUE = "REXIT.wav"
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
# A window counts as painted when fewer than one of this many of its pixels
# show the wallpaper's colour at their place: the wallpaper's colours have
# no green, the windows' greys and title bars do, but the icon's gradient
# may match a few.
WALLPAPER_THROUGH = 100
# Where the help window is dragged to: the desktop's top-left corner, clear
# of the centred main window, so that both title bars can be clicked.
HELP_MOVED_TO = (10, 10)
# Names a folder that the marked case also writes its pictures of the windows
# to, under the names it gives them in its work folder.
SCREENSHOTS_VARIABLE = "HUEVANE_E2E_SCREENSHOTS"


class CaseFailed(Exception):
    pass


class CannotSetUp(Exception):
    pass


T0 = time.monotonic()


def say(message: str) -> None:
    print(f"[{time.monotonic() - T0:6.2f}s] {message}", flush=True)


def wait_until(condition, seconds: float):
    """Polls condition() until it returns something true, or the bound passes;
    returns its last value."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(POLL)


# --- the private mount namespace -------------------------------------------

NAMESPACE_MARK = "HUEVANE_E2E_PRIVATE_MOUNTS"


def enter_private_mounts() -> None:
    """Re-runs this script in a mount namespace of its own, when the machine
    allows it: mounts made by a case then vanish with it, even if it is
    killed, and no other process sees them."""
    if os.environ.get(NAMESPACE_MARK) is not None:
        return
    unshare = ["unshare", "--mount", "--propagation", "private"]
    if shutil.which("unshare") and subprocess.run(
            unshare + ["true"], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0:
        os.environ[NAMESPACE_MARK] = "1"
        os.execvp("unshare", unshare + ["--", sys.executable, *sys.argv])
    os.environ[NAMESPACE_MARK] = "0"


def in_private_mounts() -> bool:
    return os.environ.get(NAMESPACE_MARK) == "1"


def mount(*args: str) -> bool:
    return subprocess.run(["mount", *args], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def can_create_in(folder: Path) -> bool:
    probe = folder / "probe.e2e"
    try:
        probe.write_bytes(b"x")
    except OSError:
        return False
    probe.unlink()
    return True


# --- files -----------------------------------------------------------------

def riff_chunks(data: bytes) -> dict[bytes, bytes]:
    """The chunks of a RIFF WAVE file by id. A chunk still being written
    (the capture's data chunk) runs to the end of the file."""
    chunks: dict[bytes, bytes] = {}
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        return chunks
    at = 12
    while at + 8 <= len(data):
        ident = data[at:at + 4]
        size = struct.unpack_from("<I", data, at + 4)[0]
        chunks[ident] = data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    return chunks


def wave_format(data: bytes) -> tuple[int, int, int] | None:
    """(channels, rate, bits) of a WAVE file, or None."""
    fmt = riff_chunks(data).get(b"fmt ")
    if fmt is None or len(fmt) < 16:
        return None
    _, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt)
    return channels, rate, bits


def wave_samples(data: bytes) -> bytes:
    return riff_chunks(data).get(b"data", b"")


def peak16(samples: bytes) -> int:
    count = len(samples) // 2
    if count == 0:
        return 0
    values = struct.unpack_from(f"<{count}h", samples)
    return max(max(values), -min(values))


@dataclass
class Bitmap:
    width: int
    height: int
    data: bytes
    offset: int
    stride: int
    bottom_up: bool

    @staticmethod
    def read(path: Path) -> "Bitmap":
        data = path.read_bytes()
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height = struct.unpack_from("<ii", data, 18)
        bits = struct.unpack_from("<H", data, 28)[0]
        if data[:2] != b"BM" or bits != 24:
            raise CaseFailed(f"{path} is not a 24-bit BMP file")
        return Bitmap(width, abs(height), data, offset, (width * 3 + 3) & ~3, height > 0)

    def rgb(self, x: int, y: int) -> tuple[int, int, int]:
        row = self.height - 1 - y if self.bottom_up else y
        at = self.offset + row * self.stride + x * 3
        blue, green, red = self.data[at:at + 3]
        return red, green, blue


def driver_facts(out: Path) -> dict[str, list[str]]:
    """The driver's "key value" lines, by key, in order."""
    facts: dict[str, list[str]] = {}
    for line in out.read_bytes().decode("utf-8", "replace").splitlines():
        key, _, value = line.partition(" ")
        facts.setdefault(key, []).append(value)
    return facts


# --- the case ----------------------------------------------------------------

class Session:
    """One case: its Xvfb, its wineserver, its folders, and the runs."""

    def __init__(self, args: argparse.Namespace, name: str, case: Case):
        self.args = args
        self.name = name
        self.case = case
        self.work = Path(args.work).resolve() / name
        self.prefix = Path(args.prefix).resolve()
        self.log_path = self.work / "wine.log"
        self.log = None
        self.xvfb: subprocess.Popen | None = None
        self.launchers: list[subprocess.Popen] = []
        self.env = dict(os.environ)
        self.failures: list[str] = []
        self.immutable: Path | None = None
        # The small filesystem's stand-in where nothing can be mounted.
        self.limit_writes = False
        self.file_size_limit: int | None = None
        # Where the current run's sound is captured.
        self.run_dir = self.work
        # The current run's wallpaper file by its Windows path.
        self.wallpaper_windows = ""
        # Where the help window was dragged to.
        self.help_place: tuple[int, ...] | None = None

    # -- processes --

    def start_xvfb(self) -> None:
        """Xvfb writes its display number to -displayfd only once it accepts
        connections: no polling, no guessed numbers."""
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", XVFB_SCREEN,
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=self.log, stderr=self.log)
        os.close(write_end)
        with os.fdopen(read_end, "rb") as ready:
            line = b""
            if select.select([ready], [], [], 60)[0]:
                line = ready.readline().strip()
        if not line.isdigit():
            raise CaseFailed("Xvfb did not start (see wine.log)")
        self.env["DISPLAY"] = f":{line.decode()}"

    def wine_env(self) -> None:
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "WINEARCH": "win32",
            "WINEDEBUG": "-all",
            # No Mono or Gecko: a new prefix would offer to download them.
            # No debugger: a crash ends the program at once instead of
            # waiting on Wine's crash dialog.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d",
            # Arguments and output of the driver carry UTF-8 paths.
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })

    def run_quiet(self, command: list[str]) -> int:
        # Never a pipe: Wine's helper processes outlive the command and would
        # hold a pipe open; they inherit the log file instead.
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=self.log,
                              stderr=self.log, env=self.env,
                              timeout=WINE_CALL).returncode

    def driver(self, *args: str) -> dict[str, list[str]]:
        out = self.work / "driver.out"
        with open(out, "wb") as sink:
            code = subprocess.run(["wine", self.args.driver, *args], stdin=subprocess.DEVNULL,
                                  stdout=sink, stderr=self.log, env=self.env,
                                  timeout=WINE_CALL).returncode
        facts = driver_facts(out)
        if code != 0:
            raise CaseFailed(f"e2e_driver {' '.join(args)}: "
                             f"{'; '.join(facts.get('error', ['exit code %d' % code]))}")
        return facts

    def stop_wine(self) -> None:
        self.run_quiet(["wineserver", "-k"])
        self.run_quiet(["wineserver", "-w"])

    # -- the prefix --

    def ensure_prefix(self) -> None:
        """Created once (about 15 s) and reused; the marker comes last, so an
        interrupted creation is redone."""
        marker = self.prefix / ".huevane-e2e-ready-fonts"
        if marker.exists():
            return
        say(f"creating the Wine prefix {self.prefix} (once)")
        self.stop_wine()
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        if self.run_quiet(["wineboot", "-i"]) != 0:
            raise CaseFailed("wineboot -i failed (see wine.log)")
        # The cues must reach ALSA, where the case's own configuration
        # captures them, whatever else the machine offers.
        if self.run_quiet(["wine", "reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio",
                           "/d", "alsa", "/f"]) != 0:
            raise CaseFailed("cannot select the ALSA driver (see wine.log)")
        self.install_wine_fonts()
        self.stop_wine()
        marker.touch()

    def install_wine_fonts(self) -> None:
        """Wine's own fonts in the prefix's font folder. Debian's Wine 8 does
        not find them where the package puts them, and a new prefix gets
        none of its own: without Marlett, title bars show the letters
        "0 1 r" instead of their buttons, and the pictures of the windows
        would not show what a user sees."""
        fonts = self.unix_path("C:\\windows\\Fonts")
        fonts.mkdir(parents=True, exist_ok=True)
        for font in WINE_FONTS.glob("*") if WINE_FONTS.is_dir() else ():
            if not (fonts / font.name).exists():
                shutil.copyfile(font, fonts / font.name)

    def unix_path(self, windows_path: str) -> Path:
        drive, _, rest = windows_path.partition(":")
        root = (self.prefix / "dosdevices" / f"{drive.lower()}:").resolve()
        return root.joinpath(*[part for part in rest.split("\\") if part])

    # -- the temporary folder --

    def prepare_folder(self, temp: Path) -> None:
        if self.case.folder == "unwritable":
            self.make_unwritable(temp)
        elif self.case.folder == "small-filesystem":
            self.make_small_filesystem(temp)

    def make_unwritable(self, temp: Path) -> None:
        """A read-only bind mount where mounts are possible; otherwise the
        immutable attribute, which stops root as well."""
        if in_private_mounts() and mount("--bind", str(temp), str(temp)) and mount(
                "-o", "remount,bind,ro", str(temp)):
            how = "read-only bind mount"
        elif subprocess.run(["chattr", "+i", str(temp)], stdout=self.log,
                            stderr=self.log).returncode == 0:
            self.immutable = temp
            how = "chattr +i"
        else:
            raise CannotSetUp("neither a read-only mount nor chattr +i works here")
        if can_create_in(temp):
            raise CannotSetUp(f"{how} left the folder writable")
        say(f"temporary folder made unwritable: {how}")

    def make_small_filesystem(self, temp: Path) -> None:
        """A small tmpfs where mounts are possible. Otherwise the second run
        gets a file-size limit between the two pictures, so its writes fail
        part-way in the same manner (EFBIG instead of ENOSPC)."""
        if in_private_mounts() and mount("-t", "tmpfs", "-o",
                                         f"size={SMALL_FS_BYTES},mode=0755", "tmpfs",
                                         str(temp)):
            say(f"temporary folder on a {SMALL_FS_BYTES // 1024} KiB tmpfs")
            return
        self.limit_writes = True
        say("no mounts here: the second run gets a file-size limit instead")

    def fill_before(self, temp: Path, run: Run) -> None:
        """Leaves less room than the coming picture needs, but not none."""
        needed = 54 + ((run.size[0] * 3 + 3) & ~3) * run.size[1]
        if self.limit_writes:
            self.file_size_limit = needed - SMALL_FS_LEFT
            return
        stats = os.statvfs(temp)
        free = stats.f_bavail * stats.f_frsize
        with open(temp / "filler", "wb") as filler:
            filler.write(b"\0" * max(0, free - SMALL_FS_LEFT))
        stats = os.statvfs(temp)
        left = stats.f_bavail * stats.f_frsize
        if not 0 < left < needed:
            raise CannotSetUp(f"could not fill the small filesystem ({left} bytes free)")
        say(f"filesystem filled: {left} bytes free, the next picture needs {needed}")

    def limit_file_size(self):
        limit = self.file_size_limit
        if limit is None:
            return None

        def apply():
            # Ignored, SIGXFSZ would kill the writer; a write then fails with EFBIG.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
        return apply

    # -- checks --

    def check(self, ok: bool, what: str, detail: str = "") -> bool:
        say(f"{'ok  ' if ok else 'FAIL'} {what}{'' if ok else ': ' + detail}")
        if not ok:
            self.failures.append(what)
        return ok

    def expected_picture(self, size: tuple[int, int],
                         values: tuple[int, ...] = START_VALUES) -> Path:
        name = "" if values == START_VALUES else "-" + "-".join(map(str, values))
        out = self.work / f"expected-{size[0]}x{size[1]}{name}.bmp"
        if not out.exists():
            command = [self.args.render, "--size", f"{size[0]}x{size[1]}",
                       "--start", ",".join(map(str, values[0:3])),
                       "--end", ",".join(map(str, values[3:6])),
                       "--style", str(values[6]), "--out", str(out)]
            if subprocess.run(command, stdout=self.log, stderr=self.log).returncode != 0:
                raise CaseFailed(f"huevane-render failed: {' '.join(command)}")
        return out

    def expected_cue(self, name: str = CYCLE_CUE) -> tuple[tuple[int, int], bytes]:
        """A cue as the device receives it: 16-bit samples, at the cue's own
        rate and channel count (sox decodes its mu-law)."""
        cue = Path(self.args.cues) / name
        channels, rate, _ = wave_format(cue.read_bytes()) or (0, 0, 0)
        decoded = subprocess.run(["sox", str(cue), "-t", "raw", "-e", "signed-integer",
                                  "-b", "16", "-L", "-"], stdout=subprocess.PIPE,
                                 stderr=self.log, check=True).stdout
        if peak16(decoded) < AUDIBLE:
            raise CaseFailed(f"{cue} is too quiet to tell from silence")
        return (channels, rate), decoded

    def check_file(self, run: Run, wallpaper: Path, previous: bytes | None) -> None:
        present = wallpaper.exists()
        if run.file == "absent":
            self.check(not present, "no wallpaper file could be written",
                       f"{wallpaper} exists")
            return
        if not self.check(present, "the wallpaper file exists", str(wallpaper)):
            return
        actual = wallpaper.read_bytes()
        if run.file == "rendered":
            expected = self.expected_picture(run.size).read_bytes()
            detail = ""
            if actual != expected:
                first = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b),
                             min(len(actual), len(expected)))
                detail = f"{len(actual)} bytes, expected {len(expected)}; first difference at {first}"
            self.check(actual == expected,
                       f"the wallpaper file equals huevane-render's {run.size[0]}x{run.size[1]}",
                       detail)
        else:
            self.check(actual == previous, "the last good wallpaper file is unchanged",
                       f"{len(actual)} bytes now, {len(previous or b'')} before")

    def check_no_temporaries(self, temp: Path, when: str = "") -> None:
        left = sorted({p.name for pattern in OUR_NAMES for p in temp.glob(pattern)}) \
            if temp.exists() else []
        self.check(not left, f"no temporary or spare file is left{when}", ", ".join(left))

    def wallpaper_setting(self) -> str:
        """The run's wallpaper file as the setting names it: quoted on the
        95/98/Me family."""
        if WINDOWS_VERSIONS.get(self.case.windows):
            return f'"{self.wallpaper_windows}"'
        return self.wallpaper_windows

    def check_state(self, desktop: str, expected_path: str) -> dict[str, list[str]]:
        state = self.driver("--desktop", desktop, "state")
        registry = state.get("wallpaper-registry", ["?"])[0]
        spi = state.get("wallpaper-spi", ["?"])[0]
        self.check(registry == expected_path,
                   r"HKCU\Control Panel\Desktop Wallpaper names the file",
                   f"{registry!r}, expected {expected_path!r}")
        self.check(spi == expected_path, "SPI_GETDESKWALLPAPER names the file",
                   f"{spi!r}, expected {expected_path!r}")
        self.check(state.get("dialogs") == ["0"], "no message box",
                   "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
        self.check(state.get("responds") == ["1"] and state.get("visible") == ["1"],
                   "the main window is visible and responds", str(state))
        return state

    def check_sound(self, capture_dir: Path, cue: tuple[tuple[int, int], bytes]) -> None:
        (channels, rate), samples = cue

        def heard():
            for capture in capture_dir.glob("audio-*.wav"):
                data = capture.read_bytes()
                form = wave_format(data)
                if form and form[:2] == (channels, rate) and form[2] == 16 \
                        and samples in wave_samples(data):
                    return capture
            return None

        found = wait_until(heard, SOUND_WAIT)
        if found:
            self.check(True, f"the cycle's cue reached ALSA ({found.name})")
            return
        seen = []
        for capture in sorted(capture_dir.glob("audio-*.wav")):
            data = capture.read_bytes()
            seen.append(f"{capture.name}: {wave_format(data)}, "
                        f"{len(wave_samples(data))} bytes, peak {peak16(wave_samples(data))}")
        self.check(False, "the cycle's cue reached ALSA",
                   "captured: " + ("; ".join(seen) or "nothing"))

    def check_screen(self, run: Run, rect: list[int]) -> None:
        """The desktop shows the gradient wherever no window covers it. The
        virtual desktop is the only window on this Xvfb, at its origin."""
        width, height = run.size
        picture = Bitmap.read(self.expected_picture(run.size))
        left, top, right, bottom = rect
        points = [(x, y)
                  for x in [width * i // 16 + width // 32 for i in range(16)] + [0, width - 1]
                  for y in [height * j // 12 + height // 24 for j in range(12)] + [0, height - 1]
                  if not (left - WINDOW_MARGIN <= x < right + WINDOW_MARGIN
                          and top - WINDOW_MARGIN <= y < bottom + WINDOW_MARGIN)]
        # A main window grown over the desktop must not leave nothing to look at.
        if not self.check(len(points) >= MIN_SCREEN_POINTS,
                          "the main window leaves most of the desktop uncovered",
                          f"window {rect}, {len(points)} points left"):
            return
        shot = self.work / f"screen-{width}x{height}.rgb"

        def mismatches(pixels: bytes) -> list:
            wrong = []
            for x, y in points:
                at = (y * width + x) * 3
                seen = tuple(pixels[at:at + 3])
                want = picture.rgb(x, y)
                if max(abs(a - b) for a, b in zip(seen, want)) > SCREEN_TOLERANCE:
                    wrong.append(((x, y), seen, want))
            return wrong

        # A wallpaper change is painted a moment after the call returns: the
        # desktop's paint is due until then.
        pixels, good = self.settled_capture(self.form(self.desktop, MAIN_CLASS),
                                            (0, 0, width, height), shot,
                                            lambda p: not mismatches(p))
        wrong = [] if good else mismatches(pixels) if pixels else [("no screenshot", 0)]
        if wrong:
            png = shot.with_suffix(".png")
            subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgb:{shot}",
                            str(png)], stdout=self.log, stderr=self.log)
        self.check(not wrong, f"the desktop shows the gradient at {len(points)} uncovered points",
                   f"{len(wrong)} differ, e.g. {wrong[:3]} (pixel, seen, expected); see "
                   f"{shot.with_suffix('.png')}")

    # -- what a user does with the main window --

    def bars(self, desktop: str) -> tuple[tuple[int, int], tuple[int, int], list[list[int]]]:
        """The client size, its screen origin and, left to right, each bar's
        left top width height min max page pos sbm-pos vertical tabstop
        stacking, as another program in the prefix sees them."""
        facts = self.driver("--desktop", desktop, "bars")
        client = tuple(int(v) for v in facts["client"][0].split())
        origin = tuple(int(v) for v in facts["client-origin"][0].split())
        return client, origin, [[int(v) for v in line.split()] for line in facts.get("bar", [])]

    def values(self, desktop: str) -> tuple[int, ...]:
        """The seven control values, bars 1 to 7, read from the bars."""
        _, _, bars = self.bars(desktop)
        by_number = {LEFT_TO_RIGHT[i]: bar[8] for i, bar in enumerate(bars[:7])}
        return tuple(by_number.get(n, -1) for n in range(1, 8))

    def expect_values(self, desktop: str, run: Run, wallpaper: Path,
                      values: tuple[int, ...], what: str, wait: float = CHANGE_WAIT) -> bool:
        """The bars show `values` and the wallpaper file is, byte for byte,
        huevane-render's picture of them, once the program has caught up."""
        expected = self.expected_picture(run.size, values).read_bytes()

        def caught_up():
            return wallpaper.exists() and wallpaper.read_bytes() == expected

        started = time.monotonic()
        same = wait_until(caught_up, wait)
        seen = self.values(desktop)
        self.check(seen == values, f"{what}: the bars read {values}", f"they read {seen}")
        return self.check(same, f"{what}: the wallpaper file is exactly the picture of "
                                f"{values} ({time.monotonic() - started:.2f}s)",
                          "the file did not become it in time")

    def bar_index(self, number: int) -> str:
        return str(LEFT_TO_RIGHT.index(number))

    def act_layout(self, desktop: str, run: Run, wallpaper: Path) -> None:
        client, _, bars = self.bars(desktop)
        self.check(client == CLIENT_AREA, f"the client area is {CLIENT_AREA}", str(client))
        if not self.check(len(bars) == 7, "the main window has seven scroll bars",
                          f"{len(bars)} found"):
            return
        for place, bar in enumerate(bars):
            number = LEFT_TO_RIGHT[place]
            left, top, width, height, maximum, start, _ = BARS[number]
            want = [left, top, width, height, 0, maximum, 0, start, start, 1, 1]
            self.check(bar[:11] == want,
                       f"ScrollBar{number}: rectangle {left},{top} {width}x{height}, range "
                       f"0..{maximum}, page 0, position {start} (both ways), vertical, tab stop",
                       f"left top width height min max page pos sbm-pos vertical tabstop = "
                       f"{bar[:11]}")
        # The Tab key visits the children in stacking order.
        stacked = [LEFT_TO_RIGHT[i] for i in sorted(range(7), key=lambda i: bars[i][11])]
        by_tab_order = sorted(BARS, key=lambda n: BARS[n][6])
        self.check(stacked == by_tab_order, f"the bars are stacked in tab order {by_tab_order}",
                   f"stacked {stacked}")

    def act_screenshot(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """A picture of the main window for a person to look at."""
        self.save_window(run, self.form(desktop, MAIN_CLASS), "main-window.png")

    def act_hints(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """The pointer rests on a bar: that bar's hint shows next to it."""
        _, origin, bars = self.bars(desktop)
        for number in (7, 2, 6):
            left, top, width, height = bars[LEFT_TO_RIGHT.index(number)][:4]
            x, y = origin[0] + left + width // 2, origin[1] + top + height // 2
            self.xdotool("mousemove", "--sync", str(x), str(y))
            shown: list[str] = []

            def hint_shows():
                shown[:] = self.driver("--desktop", desktop, "tooltips").get("tooltip", [])
                return any(line.split(" ", 4)[4:] == [HINTS[number]] for line in shown)

            found = wait_until(hint_shows, HINT_WAIT)
            self.check(found, f"resting on ScrollBar{number} shows the hint {HINTS[number]!r}",
                       f"tooltips seen: {shown}")
            if found:
                line = next(l for l in shown if l.split(" ", 4)[4:] == [HINTS[number]])
                tip_left, tip_top, _, _ = (int(v) for v in line.split()[:4])
                self.check(abs(tip_left - x) < 64 and 0 <= tip_top - y < 64,
                           f"the hint {HINTS[number]!r} shows just below the pointer",
                           f"tooltip at {tip_left},{tip_top}, pointer at {x},{y}")

    def keys(self, desktop: str, *presses: tuple[int, str, int]) -> None:
        args = []
        for number, key, count in presses:
            args += [self.bar_index(number), str(VK[key]), str(count)]
        self.driver("--desktop", desktop, "keys", *args)

    def xdotool(self, *args: str) -> None:
        if subprocess.run(["xdotool", *args], stdout=self.log, stderr=self.log, env=self.env,
                          timeout=WINE_CALL).returncode != 0:
            raise CaseFailed(f"xdotool {' '.join(args)} failed")

    def act_keyboard(self, desktop: str, run: Run, wallpaper: Path) -> None:
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
            self.keys(desktop, *presses)
            self.expect_values(desktop, run, wallpaper, values,
                               "keys " + ", ".join(f"ScrollBar{n} {k}x{c}" for n, k, c in presses))

    def act_mouse(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """Real clicks on the arrows, then real Tab and arrow keys: the click
        gives its bar the focus, Tab moves it on in tab order."""
        values = list(self.values(desktop))
        _, origin, bars = self.bars(desktop)

        def arrow(number: int, end: str) -> tuple[str, str]:
            left, top, width, height = bars[LEFT_TO_RIGHT.index(number)][:4]
            y = top + 6 if end == "up" else top + height - 7
            return str(origin[0] + left + width // 2), str(origin[1] + y)

        def click(number: int, end: str, change: int) -> None:
            self.xdotool("mousemove", "--sync", *arrow(number, end), "click", "1")
            values[number - 1] += change
            self.expect_values(desktop, run, wallpaper, tuple(values),
                               f"a click on ScrollBar{number}'s {end} arrow")

        def press(keys: list[str], number: int, change: int, after: str) -> None:
            self.xdotool("key", "--delay", "30", *keys)
            values[number - 1] += change
            self.expect_values(desktop, run, wallpaper, tuple(values),
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

    def act_cycles_go_on(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """After the first cycle, two more changes: each gives the exact
        picture, with no box, and the setting still names the file."""
        self.keys(desktop, (7, "DOWN", 1))
        self.expect_values(desktop, run, wallpaper, (255, 0, 0, 0, 0, 255, 1),
                           "the style bar one step down")
        self.keys(desktop, (5, "DOWN", 9))
        self.expect_values(desktop, run, wallpaper, (255, 0, 0, 0, 9, 255, 1),
                           "ScrollBar5 nine steps down")
        self.check_state(desktop, self.wallpaper_setting())

    def usage(self, desktop: str) -> dict[str, int]:
        facts = self.driver("--desktop", desktop, "usage")
        figures = {key: int(facts[key][0]) for key in
                   ("handles", "private-bytes", "working-set", "gdi-objects")}
        pid = self.unix_pid()
        if pid is not None:
            status = Path(f"/proc/{pid}/status").read_text()
            for line in status.splitlines():
                if line.startswith(("VmRSS:", "VmData:")):
                    key, number = line.split()[:2]
                    figures[key[:-1]] = int(number) * 1024
            figures["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
        return figures

    def unix_pid(self) -> int | None:
        """The Linux process that runs huevane.exe (not the launcher, whose
        command line names it too, as an argument) in this suite's prefix:
        other people's Wine sessions on the machine run a huevane.exe too."""
        exe = Path(self.args.exe).name.lower()
        prefix = f"WINEPREFIX={self.prefix}".encode()
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                argv = (entry / "cmdline").read_bytes().split(b"\0")
                if not (argv and argv[0].decode("utf-8", "replace").lower().replace("\\", "/")
                        .endswith("/" + exe)):
                    continue
                if prefix in (entry / "environ").read_bytes().split(b"\0"):
                    return int(entry.name)
            except OSError:
                continue
        return None

    def settled_usage(self, desktop: str) -> dict[str, int]:
        """The program's usage once nothing is in flight: the drag's changes
        were all answered before the driver returned, and the last cue's
        stream is closed, so no buffer or descriptor of it is counted."""
        (channels, rate), _ = self.expected_cue()
        self.check(wait_until(lambda: self.capture_closed(channels, rate), SOUND_WAIT),
                   "the last cue has played out before usage is sampled", "its stream stayed open")
        return self.usage(desktop)

    def act_soak(self, desktop: str, run: Run, wallpaper: Path) -> None:
        values = list(START_VALUES)
        bar = self.bar_index(5)
        started = time.monotonic()
        lost = 0
        samples = []
        for round_ in range(SOAK_WARMUP_ROUNDS + SOAK_ROUNDS):
            sent = self.driver("--desktop", desktop, "drag", bar, str(SOAK_ROUND), str(round_))
            lost += int(sent["lost"][0])
            if round_ + 1 >= SOAK_WARMUP_ROUNDS:
                samples.append(self.settled_usage(desktop))
        took = time.monotonic() - started
        changes = SOAK_ROUND * (SOAK_WARMUP_ROUNDS + SOAK_ROUNDS)
        say(f"{changes} thumb changes in {took:.1f}s ({took / changes * 1000:.2f} ms each, "
            "sampling included)")
        self.check(lost == 0, "every notification was answered", f"{lost} lost")
        values[4] = SOAK_WARMUP_ROUNDS + SOAK_ROUNDS - 1
        self.expect_values(desktop, run, wallpaper, tuple(values), "after the soak")
        say("     usage after change " + "".join(
            f"{SOAK_ROUND * (SOAK_WARMUP_ROUNDS + i):>10}" for i in range(len(samples))))
        for key in samples[0]:
            say(f"     {key:14}          " + "".join(f"{sample[key]:>10}" for sample in samples))

        def growth(key: str) -> int:
            first = sorted(sample[key] for sample in samples[:3])[1]
            last = sorted(sample[key] for sample in samples[-3:])[1]
            return last - first

        measured = f"over the last {SOAK_ROUND * SOAK_ROUNDS} changes"
        # Wine answers some of these queries with 0 (GetGuiResources,
        # GetProcessHandleCount, PrivateUsage): those say nothing.
        for key, slack, unit in (
                [(key, SOAK_MEMORY_SLACK, "bytes") for key in
                 ("private-bytes", "working-set", "VmRSS", "VmData")] +
                [(key, SOAK_HANDLE_SLACK, "") for key in ("handles", "gdi-objects", "fds")]):
            if all(sample.get(key, 0) > 0 for sample in samples):
                self.check(growth(key) <= slack, f"{key} grew by at most {slack} {unit} {measured}",
                           f"it grew by {growth(key)}: {[sample[key] for sample in samples]}")

    def act_storm(self, desktop: str, run: Run, wallpaper: Path) -> None:
        sent = self.driver("--desktop", desktop, "storm", str(STORM_SEED), str(STORM_MESSAGES))
        say(f"storm: WM_VSCROLL, WM_HSCROLL, WM_SYSCOMMAND, WM_COMMAND sent {sent['sent'][0]}")
        self.check(sent["lost"] == ["0"], "every message of the storm was answered",
                   str(sent["lost"]))
        state = self.driver("--desktop", desktop, "state")
        self.check(state.get("dialogs") == ["0"], "no message box after the storm",
                   "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
        self.check(state.get("responds") == ["1"] and state.get("visible") == ["1"],
                   "the main window is visible and responds after the storm", str(state))
        # The last change of the storm left the picture of the bars' values.
        values = self.values(desktop)
        self.expect_values(desktop, run, wallpaper, values, "after the storm")
        # And the bars still work.
        key = "HOME" if values[0] > 0 else "END"
        self.keys(desktop, (1, key, 1))
        values = (0 if key == "HOME" else 255,) + values[1:]
        self.expect_values(desktop, run, wallpaper, values, f"ScrollBar1 {key} after the storm")

    def captures(self) -> dict[str, tuple[int, int, int]]:
        """Every capture file of the run by its inode, size and change time: a
        cue in the file's format opens it anew, and so changes the time, even
        when it writes the same samples again."""
        found = {}
        for capture in self.run_dir.glob("audio-*.wav"):
            facts = capture.stat()
            found[capture.name] = (facts.st_ino, facts.st_size, facts.st_mtime_ns)
        return found

    def capture_closed(self, channels: int, rate: int) -> bool:
        """The capture of that format is closed: ALSA fills in the data
        chunk's length when it closes the file."""
        capture = self.run_dir / f"audio-{rate}-{channels}-16.wav"
        data = capture.read_bytes() if capture.exists() else b""
        at = data.find(b"data", 12)
        return at >= 0 and struct.unpack_from("<I", data, at + 4)[0] == len(data) - at - 8

    def choose_from_system_menu(self, desktop: str, caption: str) -> None:
        """Opens the main window's system menu with Alt+Space, as a user does,
        and picks the entry by moving down from the top: its captions have
        no access keys. Returns once the menu has closed, when the choice has
        already been posted to the program."""
        # With no window manager, X gives the keys to the window under the
        # pointer: a corner of the desktop that the main window leaves free.
        # The server handles the move before the keys; --sync would wait for
        # a motion that never comes once the pointer is already there.
        self.xdotool("mousemove", "2", "2")
        self.xdotool("key", "alt+space")
        opened = wait_until(lambda: self.driver("--desktop", desktop, "menus")["menus"] != ["0"],
                            WINDOW_WAIT)
        if not self.check(opened, f"Alt+Space opens the system menu (for {caption!r})",
                          "no menu window appeared"):
            raise CaseFailed("the system menu did not open")
        self.xdotool("key", "--delay", "30", "Home", *["Down"] * MENU_DOWNS[caption], "Return")
        closed = wait_until(lambda: self.driver("--desktop", desktop, "menus")["menus"] == ["0"],
                            WINDOW_WAIT)
        if not self.check(closed, f"Home, Down x{MENU_DOWNS[caption]}, Enter chooses "
                                  f"{caption!r} and closes the menu", "the menu stayed open"):
            raise CaseFailed("the system menu did not close")

    def act_sound_switch(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """Be Silent from the system menu: the next cycle makes no sound at
        all. Make Noise: its cue at once. The silence is proven by order, not
        by waiting: the program handles one message after another, so the
        silent cycle is over before Make Noise is chosen, and a cue of that
        cycle would have reached ALSA before Make Noise's own."""
        (strum_channels, strum_rate), _ = self.expected_cue()
        (noise_channels, noise_rate), noise = self.expected_cue(NOISE_CUE)
        # The start-up cue must have ended before the files are taken as the
        # baseline; a stream still open may write its last period.
        if not self.check(wait_until(lambda: self.capture_closed(strum_channels, strum_rate),
                                     SOUND_WAIT),
                          "the start-up cue's capture is closed", "it stayed open"):
            return
        before = self.captures()

        self.choose_from_system_menu(desktop, "Be Silent")
        values = (255, 0, 1, 0, 0, 255, 0)
        self.keys(desktop, (3, "DOWN", 1))
        self.expect_values(desktop, run, wallpaper, values,
                           "ScrollBar3 DOWN after Be Silent")
        silent = self.captures()
        self.check(silent == before, "the silent cycle sent nothing to ALSA",
                   f"captures (inode, size, time) before {before}, after {silent}")

        self.choose_from_system_menu(desktop, "Make Noise")
        noise_file = self.run_dir / f"audio-{noise_rate}-{noise_channels}-16.wav"

        def heard():
            data = noise_file.read_bytes() if noise_file.exists() else b""
            return noise in wave_samples(data)
        self.check(wait_until(heard, SOUND_WAIT),
                   f"Make Noise plays {NOISE_CUE} at once, sample for sample ({noise_file.name})",
                   f"not found in {noise_file}")
        # Make Noise cuts off whatever still sounds; anything of the silent
        # cycle reached ALSA before it and left its mark on the files.
        after = {name: facts for name, facts in self.captures().items()
                 if name != noise_file.name}
        self.check(after == {name: facts for name, facts in before.items()
                             if name != noise_file.name},
                   f"nothing but {NOISE_CUE} reached ALSA after Be Silent",
                   f"captures (inode, size, time) before {before}, after {after}")

    # -- the About dialog and the help window --

    def form(self, desktop: str, class_name: str) -> dict[str, list[str]]:
        """One of the program's top-level windows as the driver finds it."""
        return self.driver("--desktop", desktop, "form", class_name)

    @staticmethod
    def numbers(facts: dict[str, list[str]], key: str) -> tuple[int, ...]:
        return tuple(int(v) for v in facts[key][0].split())

    def control_centre(self, facts: dict[str, list[str]], caption: str) -> tuple[int, int]:
        """The screen point in the middle of the window's control that shows
        this caption."""
        for line in facts.get("control", []):
            left, top, right, bottom, visible, _, text = line.split(" ", 6)
            if text == caption and visible == "1":
                return (int(left) + int(right)) // 2, (int(top) + int(bottom)) // 2
        raise CaseFailed(f"no visible control {caption!r}: {facts.get('control')}")

    def click(self, x: int, y: int) -> None:
        # The server takes the move before the press: no --sync, which would
        # wait for a motion that never comes if the pointer is already there.
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def activate_main(self, desktop: str) -> None:
        """A click on the main window's title bar, as a user brings it back:
        with no window manager, Wine's virtual desktop handles the click
        itself and makes the window the active one, which then gets the
        keys."""
        facts = self.form(desktop, MAIN_CLASS)
        if not self.check("grip" in facts, "the main window's title bar is not covered",
                          str(facts)):
            raise CaseFailed("the main window's title bar cannot be clicked")
        self.click(*self.numbers(facts, "grip"))
        active = wait_until(lambda: self.form(desktop, MAIN_CLASS).get("active") == ["1"],
                            WINDOW_WAIT)
        if not self.check(active, "a click on its title bar makes the main window active",
                          "another window stayed active"):
            raise CaseFailed("the main window did not become active")

    def check_shown(self, desktop: str, kind: tuple, chosen: str) -> dict[str, list[str]]:
        """Waits for the window of that kind to show after `chosen` was chosen
        from the menu, and checks what a user sees of it at once: the one
        window of its class, its caption and client area, always on top, in
        front of the main window and active."""
        class_name, caption, client = kind
        facts: dict[str, list[str]] = {}

        def shown():
            facts.clear()
            facts.update(self.form(desktop, class_name))
            return facts.get("visible") == ["1"]

        if not self.check(wait_until(shown, WINDOW_WAIT), f"{chosen} shows a {class_name}",
                          str(facts)):
            raise CaseFailed(f"no {class_name} showed")
        self.check(facts["count"] == ["1"], f"there is one {class_name}",
                   f"{facts['count']} windows")
        self.check(facts["caption"] == [caption], f"its caption is {caption!r}",
                   str(facts["caption"]))
        self.check(self.numbers(facts, "client") == client,
                   f"its client area is {client[0]}x{client[1]}", str(facts["client"]))
        exstyle = int(facts["exstyle"][0])
        self.check(bool(exstyle & WS_EX_TOPMOST), "it stays on top of ordinary windows",
                   f"extended style {exstyle:#x}")
        form_place, main_place = self.numbers(facts, "stacking")
        self.check(0 <= form_place < main_place, "it stands in front of the main window",
                   f"stacking places {form_place} and main window {main_place}")
        self.check(facts.get("active") == ["1"], "it is the active window", str(facts))
        state = self.driver("--desktop", desktop, "state")
        self.check(state.get("dialogs") == ["0"], "no message box",
                   "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
        return facts

    def check_centred(self, facts: dict[str, list[str]], run: Run, what: str) -> None:
        left, top, right, bottom = self.numbers(facts, "rect")
        width, height = run.size
        self.check(abs(left + right - width) <= 1 and abs(top + bottom - height) <= 1,
                   f"{what} is centred on the {width}x{height} desktop",
                   f"window {left},{top} to {right},{bottom}")

    def cue(self, name: str) -> tuple[Path, bytes]:
        """The capture file a cue reaches and its samples as the device gets them."""
        (channels, rate), samples = self.expected_cue(name)
        return self.run_dir / f"audio-{rate}-{channels}-16.wav", samples

    def quiet(self, name: str) -> dict[str, tuple[int, int, int]]:
        """Waits until no stream in that cue's format is open, and returns the
        captures as they are then: a stream still open may write again."""
        (channels, rate), _ = self.expected_cue(name)
        capture, _ = self.cue(name)
        self.check(wait_until(lambda: not capture.exists() or self.capture_closed(channels, rate),
                              SOUND_WAIT),
                   f"no earlier cue in {name}'s format still sounds", f"{capture} stays open")
        return self.captures()

    def check_cue(self, name: str, before: dict[str, tuple[int, int, int]], why: str) -> None:
        """The cue reached ALSA after `before` was taken: its capture was
        opened anew (a cue opens it, a closed one does not change) and holds
        the cue sample for sample."""
        capture, samples = self.cue(name)

        def heard():
            if self.captures().get(capture.name) == before.get(capture.name):
                return False
            data = capture.read_bytes() if capture.exists() else b""
            return samples in wave_samples(data)
        self.check(wait_until(heard, SOUND_WAIT),
                   f"{why} plays {name[:-4]}, sample for sample ({capture.name})",
                   f"not found; captures before {before}, after {self.captures()}")

    def capture(self, area: tuple[int, int, int, int], path: Path) -> bytes:
        """The screen's pixels in the area (left, top, width, height) as RGB
        rows, also kept in path; b"" if no screenshot could be taken."""
        left, top, width, height = area
        path.unlink(missing_ok=True)
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                        "-depth", "8", f"rgb:{path}"], stdout=self.log, stderr=self.log,
                       env=self.env, timeout=WINE_CALL)
        pixels = path.read_bytes() if path.exists() else b""
        return pixels if len(pixels) == width * height * 3 else b""

    def settled_capture(self, facts: dict[str, list[str]], area: tuple[int, int, int, int],
                        path: Path, good) -> tuple[bytes, bool]:
        """Captures the area until good(pixels) holds, or until the window of
        the facts has finished painting: every paint it was owed (frame,
        client area, controls, the desktop behind it) carried out, its thread
        back in its message loop, and two captures in a row alike after that.
        Returns the last capture and whether good() held for it.

        Wine's virtual desktop now and then leaves part of a window showing
        what was under it a moment before (a menu just closed, the wallpaper
        of a change) with no paint left due that would mend it. So a window
        that has finished painting but does not show what it should is asked
        once to paint itself all over again, and judged on that."""
        last: dict = {"pixels": b"", "good": False, "settled": None, "repainted": False}
        kind = facts["class"][0]

        def done():
            if self.form(self.desktop, kind).get("paint-pending") != ["0"]:
                last["settled"] = None
                return False
            pixels = self.capture(area, path)
            last["pixels"] = pixels
            last["good"] = bool(pixels) and good(pixels)
            if last["good"]:
                return True
            if not pixels or pixels != last["settled"]:
                last["settled"] = pixels
                return False
            if last["repainted"]:
                return True
            say(f"     {kind} finished painting without showing what it should: "
                "asked to paint itself again")
            self.driver("--desktop", self.desktop, "repaint", kind)
            last["repainted"] = True
            last["settled"] = None
            return False
        wait_until(done, SETTLE_WAIT)
        return last["pixels"], last["good"]

    def check_pixels(self, what: str, facts: dict[str, list[str]],
                     area: tuple[int, int, int, int],
                     expected: list[tuple[int, int, tuple[int, int, int]]]) -> None:
        """A screenshot of the area (left, top, width, height on the screen)
        shows exactly the expected colours at the listed (x, y) points of
        the area, once the window of the facts has painted."""
        width, height = area[2], area[3]
        name = "".join(c if c.isalnum() else "-" for c in what)
        shot = self.work / f"{name}.rgb"

        def differences(pixels: bytes) -> list:
            return [((x, y), tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]), want)
                    for x, y, want in expected
                    if tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) != want]

        pixels, good = self.settled_capture(facts, area, shot, lambda p: not differences(p))
        wrong = [] if good else differences(pixels) if pixels else [("no screenshot", 0)]
        png = shot.with_suffix(".png")
        if wrong:
            subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgb:{shot}",
                            str(png)], stdout=self.log, stderr=self.log)
        self.check(not wrong, f"{what}: all {len(expected)} pixels exact",
                   f"{len(wrong)} differ, e.g. {wrong[:4]} (x, y in the area; seen; expected); "
                   f"see {png}")

    def check_banner(self, facts: dict[str, list[str]]) -> None:
        banner = Bitmap.read(self.args.pictures / BANNER)
        x0, y0 = self.numbers(facts, "client-origin")
        width = self.numbers(facts, "client")[0]
        expected = [(x, y, banner.rgb(x + BANNER_SHIFT, y))
                    for y in range(banner.height) for x in range(width)]
        self.check_pixels("the About dialog's banner", facts, (x0, y0, width, banner.height),
                          expected)

    def check_help_picture(self, facts: dict[str, list[str]]) -> None:
        """The picture of the main window, exact, with the connectors drawn
        over it: each row black from the line's start to its end, and
        nothing else of the picture changed."""
        picture = Bitmap.read(self.args.pictures / HELP_PICTURE)
        px, py = HELP_PICTURE_AT
        lines = {row: (first, last) for row, first, last, _ in CONNECTORS}

        def colour(x: int, y: int) -> tuple[int, int, int]:
            first, last = lines.get(y, (0, -1))
            return BLACK if first <= x <= last else picture.rgb(x - px, y - py)

        expected = [(x, y, colour(x, y))
                    for y in range(py, py + picture.height) for x in range(px, px + picture.width)]
        expected += [(x, row, BLACK) for row, first, last, whole in CONNECTORS if whole
                     for x in range(first, last + 1) if not px <= x < px + picture.width]
        x0, y0 = self.numbers(facts, "client-origin")
        width, height = self.numbers(facts, "client")
        self.check_pixels("the help window's picture and connectors", facts,
                          (x0, y0, width, height), expected)

    def save_window(self, run: Run, facts: dict[str, list[str]], name: str) -> None:
        """A picture of the window with its frame, for a person to look at;
        taken once the window has painted itself all over: a wallpaper
        change paints over windows until they redraw, and the wallpaper
        shows through where one has not yet."""
        left, top, right, bottom = self.numbers(facts, "rect")
        width, height = right - left, bottom - top
        wallpaper = Bitmap.read(self.expected_picture(run.size))
        raw = self.work / f"{name}.rgb"

        def through(pixels: bytes) -> int:
            return sum(1 for y in range(height) for x in range(width)
                       if tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])
                       == wallpaper.rgb(left + x, top + y))

        pixels, painted = self.settled_capture(
            facts, (left, top, width, height), raw,
            lambda p: through(p) * WALLPAPER_THROUGH < width * height)
        if not self.check(painted, "the window is painted all over before its picture is taken",
                          f"{through(pixels) if pixels else 'no screenshot'} of "
                          f"{width * height} pixels show the wallpaper"):
            return
        shot = self.work / name
        # Without time stamps: the same window gives the same file.
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgb:{raw}",
                        "-strip", f"png:{shot}"], stdout=self.log, stderr=self.log)
        if not self.check(shot.exists(), f"a picture of the window: {shot}", "convert failed"):
            return
        folder = os.environ.get(SCREENSHOTS_VARIABLE)
        if folder and self.case.screenshots:
            Path(folder).mkdir(parents=True, exist_ok=True)
            shutil.copyfile(shot, Path(folder) / name)
            say(f"     copied to {Path(folder) / name}")

    def act_about(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """About from the system menu: the agreement dialog comes to the front,
        centred, with its cue and its banner exactly as stored."""
        self.save_window(run, self.form(desktop, MAIN_CLASS), "main-window.png")
        before = self.quiet(ABOUT_CUE)
        self.choose_from_system_menu(desktop, "About")
        facts = self.check_shown(desktop, ABOUT, "About")
        exstyle = int(facts["exstyle"][0])
        self.check(bool(exstyle & WS_EX_TOOLWINDOW), "it is a tool window",
                   f"extended style {exstyle:#x}")
        self.check_centred(facts, run, "the About dialog")
        self.check_cue(ABOUT_CUE, before, "About")
        self.check_banner(facts)
        self.save_window(run, facts, "about.png")

    def act_agree(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """A real click on "Yes I Agree. [OK]" only hides the dialog."""
        self.click(*self.control_centre(self.form(desktop, ABOUT[0]), "Yes I Agree. [OK]"))
        facts: dict[str, list[str]] = {}

        def hidden():
            facts.clear()
            facts.update(self.form(desktop, ABOUT[0]))
            return facts.get("visible") == ["0"]
        self.check(wait_until(hidden, WINDOW_WAIT) and facts.get("count") == ["1"],
                   "a click on 'Yes I Agree. [OK]' hides the About dialog", str(facts))
        self.check_state(desktop, self.wallpaper_windows)

    def act_help(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """The main window made active by a click; Help from its system menu:
        the help window comes to the front, centred the first time, with its
        cue, its picture and its connectors exact."""
        self.activate_main(desktop)
        before = self.quiet(HELP_CUE)
        self.choose_from_system_menu(desktop, "Help")
        facts = self.check_shown(desktop, HELP, "Help")
        self.check_centred(facts, run, "the help window, shown the first time,")
        self.check_cue(HELP_CUE, before, "Help")
        self.check_help_picture(facts)
        self.save_window(run, facts, "help.png")

    def act_move_help(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """The help window dragged by its title bar with the mouse, to the
        desktop's top-left corner."""
        facts = self.form(desktop, HELP[0])
        left, top, right, bottom = self.numbers(facts, "rect")
        if not self.check("grip" in facts, "the help window's title bar is not covered",
                          str(facts)):
            raise CaseFailed("the help window's title bar cannot be gripped")
        x, y = self.numbers(facts, "grip")
        dx, dy = HELP_MOVED_TO[0] - left, HELP_MOVED_TO[1] - top
        self.xdotool("mousemove", str(x), str(y), "mousedown", "1",
                     "mousemove", str(x + dx // 2), str(y + dy // 2),
                     "mousemove", str(x + dx), str(y + dy), "mouseup", "1")
        wanted = (left + dx, top + dy, right + dx, bottom + dy)
        seen: list = []

        def moved():
            seen[:] = self.numbers(self.form(desktop, HELP[0]), "rect")
            return tuple(seen) == wanted
        self.check(wait_until(moved, WINDOW_WAIT),
                   f"dragging its title bar by {dx},{dy} moves the help window to "
                   f"{wanted[0]},{wanted[1]}", f"it stands at {seen}")
        self.help_place = tuple(seen)

    def act_help_again(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """Help chosen while the help window shows, behind the active main
        window: the same window comes to the front where it stands, and its
        cue plays again."""
        self.activate_main(desktop)
        facts = self.form(desktop, HELP[0])
        self.check(facts.get("visible") == ["1"] and facts.get("active") == ["0"],
                   "the help window shows and is not active", str(facts))
        before = self.quiet(HELP_CUE)
        self.choose_from_system_menu(desktop, "Help")
        facts = {}

        def active():
            facts.clear()
            facts.update(self.form(desktop, HELP[0]))
            return facts.get("active") == ["1"]
        self.check(wait_until(active, WINDOW_WAIT), "Help again makes the help window active",
                   str(facts))
        self.check(facts.get("count") == ["1"] and facts.get("visible") == ["1"],
                   "there is still one help window, shown", str(facts))
        self.check(self.numbers(facts, "rect") == self.help_place,
                   "it stays where it was dragged", f"{facts['rect']}, was {self.help_place}")
        self.check_cue(HELP_CUE, before, "Help again")

    def act_close_help(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """A real click on "Close Help" hides the window; the program goes on."""
        self.click(*self.control_centre(self.form(desktop, HELP[0]), "Close Help"))
        facts: dict[str, list[str]] = {}

        def hidden():
            facts.clear()
            facts.update(self.form(desktop, HELP[0]))
            return facts.get("visible") == ["0"]
        self.check(wait_until(hidden, WINDOW_WAIT) and facts.get("count") == ["1"],
                   "a click on 'Close Help' hides the help window", str(facts))
        self.check_state(desktop, self.wallpaper_windows)

    def act_help_returns(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """Help once more: the window shows again where it was left, not
        centred again, and as it was."""
        self.activate_main(desktop)
        before = self.quiet(HELP_CUE)
        self.choose_from_system_menu(desktop, "Help")
        facts = self.check_shown(desktop, HELP, "Help after Close Help")
        self.check(self.numbers(facts, "rect") == self.help_place,
                   f"the help window shows where it was left, {self.help_place}",
                   f"it stands at {facts['rect']}")
        self.check_cue(HELP_CUE, before, "Help after Close Help")
        self.check_help_picture(facts)

    def act_refuse(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """A real click on "No. I Don't Agree." ends the whole program by
        itself: exit code 0, no box, the main window gone, and the wallpaper
        file and setting exactly as they were."""
        button = self.control_centre(self.form(desktop, ABOUT[0]), "No. I Don't Agree.")
        before = wallpaper.read_bytes()
        facts_before = wallpaper.stat()
        # The process is opened before the click: once gone, it could not be.
        out = self.work / "driver-exit.out"
        with open(out, "wb") as sink:
            watcher = subprocess.Popen(
                ["wine", self.args.driver, "--desktop", desktop, "exit", str(CLOSE_WAIT * 1000)],
                stdin=subprocess.DEVNULL, stdout=sink, stderr=self.log, env=self.env)
        if not wait_until(lambda: b"watching" in out.read_bytes() or watcher.poll() is not None,
                          WINE_CALL) or watcher.poll() is not None:
            watcher.wait(timeout=WINE_CALL)
            raise CaseFailed(f"e2e_driver exit: {out.read_bytes().decode('utf-8', 'replace')}")
        self.click(*button)
        code = watcher.wait(timeout=CLOSE_WAIT + WINE_CALL)
        facts = driver_facts(out)
        if not self.check(code == 0 and "exit-code" in facts,
                          "a click on 'No. I Don't Agree.' ends the program by itself",
                          "; ".join(facts.get("error", [f"driver exit code {code}"]) +
                                    facts.get("dialog-title", []) +
                                    facts.get("dialog-text", []))):
            return
        self.check(facts["exit-code"] == ["0"], "the program's exit code is 0",
                   str(facts["exit-code"]))
        self.check(facts.get("dialogs-seen") == ["0"], "no message box came up on the way",
                   "; ".join(facts.get("dialog-title", []) + facts.get("dialog-text", [])))
        self.check(facts.get("main-window-left") == ["0"], "the main window is destroyed",
                   "it still exists")
        after = wallpaper.read_bytes() if wallpaper.exists() else b""
        self.check(after == before, "the wallpaper file is byte for byte what it was",
                   f"{len(after)} bytes now, {len(before)} before")
        facts_after = wallpaper.stat() if wallpaper.exists() else facts_before
        self.check((facts_after.st_ino, facts_after.st_mtime_ns) ==
                   (facts_before.st_ino, facts_before.st_mtime_ns),
                   "the wallpaper file was not written again on the way out",
                   f"inode and modification time {facts_before.st_ino}, "
                   f"{facts_before.st_mtime_ns} before; {facts_after.st_ino}, "
                   f"{facts_after.st_mtime_ns} after")
        self.check(after == self.expected_picture(run.size).read_bytes(),
                   f"the wallpaper file is still huevane-render's {run.size[0]}x{run.size[1]}",
                   "it differs")
        self.check_no_temporaries(wallpaper.parent)
        setting = self.driver("wallpaper")
        for key, what in (("wallpaper-registry", r"HKCU\Control Panel\Desktop Wallpaper"),
                          ("wallpaper-spi", "SPI_GETDESKWALLPAPER")):
            self.check(setting.get(key) == [self.wallpaper_windows],
                       f"{what} still names the file",
                       f"{setting.get(key)}, expected {self.wallpaper_windows!r}")

    def popup_items(self, rect: tuple[int, int, int, int]) -> list[tuple[str, int]]:
        """The items of the open menu at `rect` (left, top, right, bottom on
        the screen), read from a screenshot, top to bottom: each a kind and
        the screen row of its middle. Its captions cannot be read from
        another process under Wine, but their kinds show: a separator is a
        row drawn across the menu, a caption a band of rows with a few
        pixels of ink, in the text colour or, for a disabled item, another.
        Kinds: "separator", "text", "disabled"."""
        left, top, right, bottom = rect
        width, height = right - left, bottom - top
        shot = self.work / "popup-menu.rgb"
        pixels = self.capture((left, top, width, height), shot)
        if not pixels:
            return []
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgb:{shot}",
                        str(shot.with_suffix(".png"))], stdout=self.log, stderr=self.log)
        # Inside the one-pixel frame; the background is the commonest colour.
        rows = [[tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])
                 for x in range(1, width - 1)] for y in range(1, height - 1)]
        counts: dict[tuple, int] = {}
        for row in rows:
            for colour in row:
                counts[colour] = counts.get(colour, 0) + 1
        background = max(counts, key=counts.get)
        bands: list[tuple[str, int, int, set]] = []  # kind, first, last row, ink
        for y, row in enumerate(rows, start=1):
            ink = [c for c in row if c != background]
            kind = "" if not ink else "separator" if 2 * len(ink) > len(row) else "text"
            if bands and kind == "text" and bands[-1][0] == "text" and bands[-1][2] == y - 1:
                bands[-1] = ("text", bands[-1][1], y, bands[-1][3] | set(ink))
            elif kind:
                bands.append((kind, y, y, set(ink)))
        # The enabled captions share the darkest ink; a disabled one has none of it.
        darkest = min((c for _, _, _, ink in bands for c in ink), key=sum, default=None)
        return [("text" if kind == "text" and darkest in ink else
                 "disabled" if kind == "text" else kind, top + (first + last) // 2)
                for kind, first, last, ink in bands]

    def act_popup_about(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """A right-click on the style bar opens the main window's popup menu
        at the pointer, in front of the main window, with its eight items;
        a left click on "About" then shows the About dialog with its cue."""
        main = self.form(desktop, MAIN_CLASS)
        _, origin, bars = self.bars(desktop)
        left, top, width, height = bars[LEFT_TO_RIGHT.index(7)][:4]
        x, y = origin[0] + left + width // 2, origin[1] + top + height // 2
        before = self.quiet(ABOUT_CUE)
        self.xdotool("mousemove", str(x), str(y), "click", "3")
        menus: list[str] = []

        def opened():
            menus[:] = self.driver("--desktop", desktop, "menus").get("menu", [])
            return len(menus) == 1
        if not self.check(wait_until(opened, WINDOW_WAIT),
                          "a right-click on the style bar opens one menu", f"menus {menus}"):
            raise CaseFailed("no popup menu")
        mleft, mtop, mright, mbottom, place = (int(v) for v in menus[0].split())
        self.check((mleft, mtop) == (x, y), f"the menu opens at the pointer, {x},{y}",
                   f"its top-left corner is at {mleft},{mtop}")
        wleft, wtop, wright, wbottom = self.numbers(main, "rect")
        self.check(wleft <= mleft < wright and wtop <= mtop < wbottom,
                   "the menu opens over the main window",
                   f"menu at {mleft},{mtop}; main window {wleft},{wtop} to {wright},{wbottom}")
        main_place = self.numbers(self.form(desktop, MAIN_CLASS), "stacking")[1]
        self.check(0 <= place < main_place, "the menu stands in front of the main window",
                   f"stacking places {place} and main window {main_place}")

        items: list[tuple[str, int]] = []

        def painted():
            items[:] = self.popup_items((mleft, mtop, mright, mbottom))
            return [kind for kind, _ in items] == POPUP_KINDS
        wait_until(painted, SETTLE_WAIT)
        kinds = [kind for kind, _ in items]
        if not self.check(kinds == POPUP_KINDS,
                          "the menu shows the eight items: the greyed title, a separator, "
                          "two commands, a separator, two commands, a separator",
                          f"seen {kinds}; see {self.work / 'popup-menu.png'}"):
            raise CaseFailed("the popup menu's items are not the menu's")
        self.click((mleft + mright) // 2, items[POPUP_ABOUT][1])
        closed = wait_until(lambda: self.driver("--desktop", desktop, "menus")["menus"] == ["0"],
                            WINDOW_WAIT)
        self.check(closed, "a click on the fourth item chooses it and closes the menu",
                   "the menu stayed open")
        facts = self.check_shown(desktop, ABOUT, "About, clicked in the popup menu,")
        self.check_centred(facts, run, "the About dialog")
        self.check_cue(ABOUT_CUE, before, "About from the popup menu")

    # -- the wallpaper's folder: full, and a killed run --

    def act_full_folder(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """The folder fills up while the program runs: once the spare exists,
        every picture still lands whole, rewritten in place."""
        values = list(START_VALUES)
        values[2] = 1
        self.keys(desktop, (3, "DOWN", 1))
        self.expect_values(desktop, run, wallpaper, tuple(values),
                           "ScrollBar3 DOWN before the folder fills")
        if self.limit_writes:
            say("no small filesystem here: the folder cannot fill up while the program runs")
            return
        temp = wallpaper.parent
        stats = os.statvfs(temp)
        with open(temp / "filler", "wb") as filler:
            filler.write(b"\0" * max(0, stats.f_bavail * stats.f_frsize - SMALL_FS_LEFT))
        stats = os.statvfs(temp)
        left = stats.f_bavail * stats.f_frsize
        needed = 54 + ((run.size[0] * 3 + 3) & ~3) * run.size[1]
        if not self.check(left < needed, "the folder has less room left than one picture",
                          f"{left} bytes free, a picture needs {needed}"):
            return
        for step in (2, 3):
            values[2] = step
            self.keys(desktop, (3, "DOWN", 1))
            self.expect_values(desktop, run, wallpaper, tuple(values),
                               "ScrollBar3 DOWN in the full folder")
        (temp / "filler").unlink()

    def our_names(self, temp: Path) -> list[str]:
        return sorted({p.name for pattern in OUR_NAMES for p in temp.glob(pattern)})

    def act_kill_in_burst(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """Key presses queued on ScrollBar3 in a burst, and the program killed
        while it works through them, as a log-off or Task Manager does: the
        wallpaper file stays whole, the picture of one of the burst's values."""
        temp = wallpaper.parent
        pid = self.unix_pid()
        if not self.check(pid is not None, "the program's process is found", "none"):
            raise CaseFailed("no process to kill")
        self.keys(desktop, (3, "DOWN", BURST_KEYS))
        # Well under way: a quarter of the burst done, and the spare exists.
        top_left = 54 + ((run.size[0] * 3 + 3) & ~3) * (run.size[1] - 1)

        def underway():
            with open(wallpaper, "rb") as picture:
                picture.seek(top_left)
                blue = picture.read(1)
            return self.our_names(temp) and blue and blue[0] >= BURST_KEYS // 4
        underway = wait_until(underway, CHANGE_WAIT)
        if not self.check(bool(underway), "the burst is under way, with a spare file",
                          f"names {self.our_names(temp)}"):
            raise CaseFailed("the burst did not start")
        os.kill(pid, signal.SIGKILL)

        def gone():
            try:
                return Path(f"/proc/{pid}/stat").read_text().split(") ")[-1].startswith("Z")
            except OSError:
                return True
        def window_gone():
            try:
                self.driver("--desktop", desktop, "state")
            except CaseFailed:
                return True
            return False
        if not self.check(wait_until(gone, CLOSE_WAIT) and wait_until(window_gone, CLOSE_WAIT),
                          "SIGKILL ends the program and its window", str(pid)):
            raise CaseFailed("the program outlived SIGKILL")
        left = self.our_names(temp)
        self.check(bool(left), "the kill left files of ours for the next start to clear",
                   "none: the sweep would have nothing to prove")
        say(f"     left by the kill: {', '.join(left)}")
        picture = Bitmap.read(wallpaper)
        blue = picture.rgb(0, 0)[2]
        values = START_VALUES[:2] + (blue,) + START_VALUES[3:]
        self.check(0 < blue < BURST_KEYS, f"the kill fell inside the burst (at {blue} of "
                                          f"{BURST_KEYS})", "it did not")
        self.check(wallpaper.read_bytes() == self.expected_picture(run.size, values).read_bytes(),
                   f"the wallpaper file is whole: exactly the picture of {values}", "it is not")

    def act_close_leaves_one_file(self, desktop: str, run: Run, wallpaper: Path) -> None:
        """After the restart, three changes (the spare route at work), then a
        clean close: Huevane.Bmp alone is left, the picture of the last
        values."""
        values = START_VALUES[:2] + (3,) + START_VALUES[3:]
        self.keys(desktop, (3, "DOWN", 3))
        self.expect_values(desktop, run, wallpaper, values, "ScrollBar3 DOWN x3 after the restart")
        closed = self.driver("--desktop", desktop, "close", str(CLOSE_WAIT * 1000))
        self.check(closed.get("exit-code") == ["0"], "WM_CLOSE ends the program with exit code 0",
                   str(closed.get("exit-code")))
        names = sorted(p.name for p in wallpaper.parent.iterdir())
        self.check(names == [WALLPAPER_NAME], f"the folder holds {WALLPAPER_NAME} alone",
                   ", ".join(names))
        self.check(wallpaper.exists() and wallpaper.read_bytes() ==
                   self.expected_picture(run.size, values).read_bytes(),
                   f"{WALLPAPER_NAME} is exactly the picture of {values}", "it is not")

    # -- one start of the program --

    def start(self, index: int, run: Run, temp_windows: str, temp: Path,
              cue, previous: bytes | None) -> bytes | None:
        width, height = run.size
        desktop = f"HuevaneE2E{index}"
        self.desktop = desktop
        wallpaper_path = temp_windows + "\\" + WALLPAPER_NAME
        wallpaper = temp / WALLPAPER_NAME
        self.wallpaper_windows = wallpaper_path
        run_dir = self.work / f"run{index}"
        self.run_dir = run_dir
        (run_dir / "xdg" / "alsa").mkdir(parents=True)
        # Every stream the program opens is written to a file named by its
        # format, so a later cue in another format cannot overwrite it.
        (run_dir / "xdg" / "alsa" / "asoundrc").write_text(
            'pcm.!default { type file; slave.pcm "null"; '
            f'file "{run_dir}/audio-%r-%c-%b.wav"; format "wav" }}\n')
        env = dict(self.env, XDG_CONFIG_HOME=str(run_dir / "xdg"))

        say(f"run {index}: wine explorer /desktop={desktop},{width}x{height} huevane.exe")
        started = time.monotonic()
        self.launchers.append(subprocess.Popen(
            ["wine", "explorer", f"/desktop={desktop},{width}x{height}", self.args.exe],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, env=env,
            preexec_fn=self.limit_file_size()))
        shown = self.driver("--desktop", desktop, "wait", str(WINDOW_WAIT * 1000))
        say(f"main window shown after {time.monotonic() - started:.2f}s")
        if shown.get("visible") != ["1"]:
            self.check(False, "no message box",
                       "; ".join(shown.get("dialog-title", []) + shown.get("dialog-text", [])))
            raise CaseFailed("a message box came up instead of the main window")

        # The first cycle is over before the window shows.
        self.check_file(run, wallpaper, previous)
        self.check_no_temporaries(temp)
        state = self.check_state(desktop, self.wallpaper_setting())
        self.check_sound(run_dir, cue)
        if run.screen:
            self.check_screen(run, [int(v) for v in state["rect"][0].split()])
        for action in run.actions:
            getattr(self, f"act_{action}")(desktop, run, wallpaper)

        if not run.ends:
            closed = self.driver("--desktop", desktop, "close", str(CLOSE_WAIT * 1000))
            self.check(closed.get("exit-code") == ["0"],
                       "WM_CLOSE ends the program with exit code 0", str(closed.get("exit-code")))
            self.check_no_temporaries(temp, " after the close")
        say(f"run {index} took {time.monotonic() - started:.2f}s")
        return wallpaper.read_bytes() if wallpaper.exists() else None

    def run(self) -> None:
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.log = open(self.log_path, "ab")
        self.start_xvfb()
        self.wine_env()
        self.prefix.parent.mkdir(parents=True, exist_ok=True)
        lock = open(str(self.prefix) + ".lock", "w")
        # One case at a time per prefix, whoever starts it.
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            self.ensure_prefix()
            # A server of this prefix left by an earlier case would still talk
            # to that case's display, and see that case's mounts.
            self.stop_wine()
            profile = self.driver("profile")["profile"][0]
            case_windows = f"{profile}\\e2e\\{self.name}"
            temp_windows = f"{case_windows}\\{self.case.temp_name}"
            if self.case.temp_length:
                pad = self.case.temp_length - len(temp_windows)
                if pad < 0:
                    raise CannotSetUp(f"the profile's path is too long: {temp_windows}")
                temp_windows += "x" * pad
            temp = self.unix_path(temp_windows)
            case_folder = self.unix_path(case_windows)
            release_immutable(case_folder)
            shutil.rmtree(case_folder, ignore_errors=True)
            temp.mkdir(parents=True)
            self.prepare_folder(temp)
            cue = self.expected_cue()
            # The program reads TEMP/TMP at its start, like any other program
            # started after the user changed them.
            # Every case sets the Windows version, or goes back to the default.
            self.driver("prepare", temp_windows,
                        *([self.case.windows] if self.case.windows else []))
            say(f"temporary folder {temp_windows}")
            previous = None
            for index, run in enumerate(self.case.runs):
                if index > 0 and self.case.folder == "small-filesystem":
                    self.fill_before(temp, run)
                previous = self.start(index, run, temp_windows, temp, cue, previous)
        finally:
            self.stop_wine()
            for launcher in self.launchers:
                launcher.wait(timeout=WINE_CALL)
            if self.immutable is not None:
                release_immutable(self.immutable)
            fcntl.flock(lock, fcntl.LOCK_UN)
            lock.close()
            if self.xvfb is not None:
                self.xvfb.terminate()
                self.xvfb.wait(timeout=WINE_CALL)


def release_immutable(folder: Path) -> None:
    """Undoes chattr +i from a case that was killed before it could."""
    if folder.exists():
        subprocess.run(["chattr", "-R", "-i", str(folder)], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


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
    case = CASES[args.case]
    say(f"{args.case}: {case.about}")
    session = Session(args, args.case, case)
    try:
        session.run()
    except CannotSetUp as reason:
        say(f"SKIPPED: {reason}")
        return SKIPPED
    except (CaseFailed, subprocess.TimeoutExpired) as error:
        session.failures.append(str(error))
        say(f"FAIL {error}")
    if session.failures:
        say(f"{len(session.failures)} check(s) failed; logs in {session.work}")
        return 1
    say("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
