"""A case's world and its starts of the program. The case sets up a fresh
temporary folder (the user's TEMP and TMP) and the Windows version; each
start runs huevane.exe on a virtual desktop of its own and checks what every
start must give: the wallpaper file, no file of ours left, the setting, no
message box, a window that answers, the cycle's cue, and on request the
desktop's pixels."""

from __future__ import annotations

import shutil
import time
from pathlib import Path

from folders import TempFolder, release_immutable
from harness import CHANGE_WAIT, CannotSetUp, CaseFailed, check, say, wait_until
from screen import Screen
from session import Program, Session
from sound import CYCLE_CUE, Cue, Sound, expected_cue
from wallpaper import (WALLPAPER_NAME, Bitmap, Pictures, check_file, check_no_temporaries,
                       check_own_terms, check_state)

# The Windows versions a case may ask Wine to report (the prefix's Version
# setting, as winecfg sets it). True: the 95/98/Me family, which reads the
# temporary folder with the ANSI call and hands the wallpaper path over in
# double quotes.
WINDOWS_VERSIONS = {"win7": False, "win10": False, "win98": True}


class Case:
    """One case: its session, its temporary folder, its starts."""

    def __init__(self, session: Session):
        self.session = session
        self.pictures = Pictures(session.args.render, session.work, session.log)
        self.folder: TempFolder | None = None
        self.windows = ""
        self.screenshots = False
        self.cue: Cue | None = None
        self.starts = 0

    def set_up(self, temp_name: str = "Temp", temp_length: int = 0, folder: str = "plain",
               windows: str = "", screenshots: bool = False) -> None:
        """A fresh temporary folder under the profile, set as the user's TEMP
        and TMP; the Windows version Wine reports ("" the prefix's default).

        temp_length: temp_name is padded so that the folder's Windows path
        has this many characters. folder: "plain", "unwritable" (nothing can
        be created in it) or "small-filesystem" (filled up later).
        screenshots: its pictures of the windows are the ones
        HUEVANE_E2E_SCREENSHOTS asks for."""
        session = self.session
        self.windows = windows
        self.screenshots = screenshots
        profile = session.driver("profile")["profile"][0]
        case_windows = f"{profile}\\e2e\\{session.name}"
        temp_windows = f"{case_windows}\\{temp_name}"
        if temp_length:
            pad = temp_length - len(temp_windows)
            if pad < 0:
                raise CannotSetUp(f"the profile's path is too long: {temp_windows}")
            temp_windows += "x" * pad
        temp = session.unix_path(temp_windows)
        case_folder = session.unix_path(case_windows)
        release_immutable(case_folder)
        shutil.rmtree(case_folder, ignore_errors=True)
        temp.mkdir(parents=True)
        self.folder = TempFolder(temp_windows, temp)
        if folder == "unwritable":
            self.folder.make_unwritable(session.log, session.cleanups)
        elif folder == "small-filesystem":
            self.folder.make_small_filesystem()
        self.cue = expected_cue(Path(session.args.cues), CYCLE_CUE, session.log)
        # The program reads TEMP/TMP at its start, like any other program
        # started after the user changed them.
        # Every case sets the Windows version, or goes back to the default.
        session.driver("prepare", temp_windows, *([windows] if windows else []))
        say(f"temporary folder {temp_windows}")

    def start(self, size: tuple[int, int], file: str = "rendered",
              previous: bytes | None = None, screen: bool = False) -> Run:
        """Starts the program on a desktop of that size and checks its first
        cycle. file: "rendered" - the wallpaper file equals huevane-render's
        picture at this size; "absent" - no file could be written; "kept" -
        the file is `previous` (what the last run left), byte for byte.
        screen: the desktop shows the file's colours where no window
        covers it."""
        index = self.starts
        self.starts += 1
        width, height = size
        desktop = f"HuevaneE2E{index}"
        sound = Sound(self.session.work / f"run{index}", Path(self.session.args.cues),
                      self.session.log)
        env = dict(self.session.env, XDG_CONFIG_HOME=str(sound.configure()))

        say(f"run {index}: wine explorer /desktop={desktop},{width}x{height} huevane.exe")
        started = time.monotonic()
        program = self.session.launch(desktop, size, env, self.folder.limit_file_size())
        shown = program.wait_shown()
        say(f"main window shown after {time.monotonic() - started:.2f}s")
        if shown.get("visible") != ["1"]:
            check(False, "no message box",
                  "; ".join(shown.get("dialog-title", []) + shown.get("dialog-text", [])))
            raise CaseFailed("a message box came up instead of the main window")
        run = Run(self, index, started, program, sound)

        # The first cycle is over before the window shows.
        check_file(file, size, run.wallpaper, previous, self.pictures)
        check_no_temporaries(self.folder.path)
        state = run.check_state()
        sound.check_cycle_cue(self.cue)
        if screen:
            run.screen.check_desktop([int(v) for v in state["rect"][0].split()],
                                     Bitmap.read(self.pictures.expected(size)))
        return run


class Run:
    """One start of the program, from its first cycle to its end."""

    def __init__(self, case: Case, index: int, started: float, program: Program,
                 sound: Sound):
        self.case = case
        self.session = case.session
        self.index = index
        self.started = started
        self.program = program
        self.size = program.size
        self.sound = sound
        self.screen = Screen(program, case.pictures, case.screenshots)
        self.pictures = case.pictures
        self.folder = case.folder
        self.wallpaper = case.folder.path / WALLPAPER_NAME
        # The wallpaper file by its Windows path.
        self.wallpaper_windows = case.folder.windows + "\\" + WALLPAPER_NAME

    def resized(self, size: tuple[int, int]) -> None:
        """The desktop has changed to this size: the pictures to expect
        follow it."""
        self.size = self.program.size = size

    def setting(self) -> str:
        """The wallpaper file as the setting names it: quoted on the
        95/98/Me family."""
        if WINDOWS_VERSIONS.get(self.case.windows):
            return f'"{self.wallpaper_windows}"'
        return self.wallpaper_windows

    def check_state(self) -> dict[str, list[str]]:
        return check_state(self.program, self.setting())

    def expect_values(self, values: tuple[int, ...], what: str) -> bool:
        """The bars show `values` and the wallpaper file is, byte for byte,
        huevane-render's picture of them, once the program has caught up."""
        expected = self.pictures.expected(self.size, values).read_bytes()

        def caught_up():
            return self.wallpaper.exists() and self.wallpaper.read_bytes() == expected

        started = time.monotonic()
        same = wait_until(caught_up, CHANGE_WAIT)
        seen = self.program.values()
        check(seen == values, f"{what}: the bars read {values}", f"they read {seen}")
        if same:
            check_own_terms(expected, self.size, values, f"{what}: the file")
        return check(same, f"{what}: the wallpaper file is exactly the picture of "
                           f"{values} ({time.monotonic() - started:.2f}s)",
                     "the file did not become it in time")

    def file(self) -> bytes | None:
        """The wallpaper file as it is now."""
        return self.wallpaper.read_bytes() if self.wallpaper.exists() else None

    def close(self) -> None:
        """WM_CLOSE, as a user closes the main window: exit code 0, and no
        file of ours left behind."""
        closed = self.program.close()
        check(closed.get("exit-code") == ["0"], "WM_CLOSE ends the program with exit code 0",
              str(closed.get("exit-code")))
        check_no_temporaries(self.folder.path, " after the close")
        self.finished()

    def finished(self) -> None:
        """The program has ended, closed or by itself."""
        say(f"run {self.index} took {time.monotonic() - self.started:.2f}s")
