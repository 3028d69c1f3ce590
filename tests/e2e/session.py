"""The session a case runs in: its own Xvfb, the wineserver of one of the
suite's prefixes (its lane: created on first use, then reused), and huevane.exe started on a
Wine virtual desktop, seen and driven through e2e_driver.exe, which runs in
the same prefix, and through xdotool."""

from __future__ import annotations

import argparse
import fcntl
import os
import select
import shutil
import subprocess
import time
from contextlib import contextmanager
from pathlib import Path

from harness import CLOSE_WAIT, POLL, WINDOW_WAIT, WINE_CALL, CaseFailed, say, wait_until

# The fonts that come with Wine (Debian's fonts-wine).
WINE_FONTS = Path("/usr/share/wine/fonts")
# Prefixes that cases run in side by side, one case at a time in each: the
# machines have two cores.
LANES = 2
# Holds the largest desktop of any case.
XVFB_SCREEN = "1920x1080x24"

MAIN_CLASS = "TForm1"
# The bars' numbers from left to right: the driver names a bar by its place.
LEFT_TO_RIGHT = (1, 2, 3, 7, 4, 5, 6)
# The reader's own bound (e2e_driver hold): it stops by itself if the case
# never lets it go.
HOLDER_BOUND = 300
VK = {"PRIOR": 0x21, "NEXT": 0x22, "END": 0x23, "HOME": 0x24, "UP": 0x26, "DOWN": 0x28}


def driver_facts(out: Path) -> dict[str, list[str]]:
    """The driver's "key value" lines, by key, in order."""
    facts: dict[str, list[str]] = {}
    for line in out.read_bytes().decode("utf-8", "replace").splitlines():
        key, _, value = line.partition(" ")
        facts.setdefault(key, []).append(value)
    return facts


def numbers(facts: dict[str, list[str]], key: str) -> tuple[int, ...]:
    return tuple(int(v) for v in facts[key][0].split())


def control_centre(facts: dict[str, list[str]], caption: str) -> tuple[int, int]:
    """The screen point in the middle of the window's control that shows
    this caption."""
    for line in facts.get("control", []):
        left, top, right, bottom, visible, _, text = line.split(" ", 6)
        if text == caption and visible == "1":
            return (int(left) + int(right)) // 2, (int(top) + int(bottom)) // 2
    raise CaseFailed(f"no visible control {caption!r}: {facts.get('control')}")


def bar_index(number: int) -> str:
    return str(LEFT_TO_RIGHT.index(number))


class Session:
    """One case's Xvfb and Wine session: its work folder and log, the
    suite's prefix, the driver, and the programs it starts."""

    def __init__(self, args: argparse.Namespace, name: str):
        self.args = args
        self.name = name
        self.work = Path(args.work).resolve() / name
        self.prefix = Path(args.prefix).resolve()
        self.log_path = self.work / "wine.log"
        self.log = None
        self.xvfb: subprocess.Popen | None = None
        self.launchers: list[subprocess.Popen] = []
        self.env = dict(os.environ)
        # Undone after Wine has stopped, before the prefix is let go.
        self.cleanups: list = []

    @contextmanager
    def running(self):
        """The session from a fresh work folder to everything stopped,
        whether the case passes, fails or is interrupted."""
        self.fresh_work()
        self.start_xvfb()
        lock = self.take_lane()
        self.wine_env()
        try:
            self.ensure_prefix()
            # A server of this prefix left by an earlier case would still talk
            # to that case's display, and see that case's mounts.
            self.stop_wine()
            yield self
        finally:
            self.stop_wine()
            for launcher in self.launchers:
                launcher.wait(timeout=WINE_CALL)
            for cleanup in self.cleanups:
                cleanup()
            fcntl.flock(lock, fcntl.LOCK_UN)
            lock.close()
            if self.xvfb is not None:
                self.xvfb.terminate()
                self.xvfb.wait(timeout=WINE_CALL)

    def take_lane(self):
        """A lane of its own: the first prefix of LANES that no other case
        holds, locked until the session ends. Cases in different lanes share
        nothing (each has its own Xvfb, wineserver, registry and folders), so
        they run side by side; in one lane they take turns."""
        base = self.prefix
        base.parent.mkdir(parents=True, exist_ok=True)
        locks = [open(f"{base}-{lane}.lock", "w") for lane in range(LANES)]
        taken = None
        while taken is None:
            for lane, lock in enumerate(locks):
                try:
                    fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                except BlockingIOError:
                    continue
                taken = lane
                break
            else:
                time.sleep(POLL)
        for lane, lock in enumerate(locks):
            if lane != taken:
                lock.close()
        self.prefix = Path(f"{base}-{taken}")
        say(f"lane {taken}: prefix {self.prefix}")
        return locks[taken]

    @contextmanager
    def joined(self):
        """The session of the script that calls this one (scripts/run): its
        Xvfb on $DISPLAY and its wineserver for the prefix, which that script
        starts before and stops after. Only the work folder is this one's."""
        self.fresh_work()
        self.wine_env()
        yield self

    def fresh_work(self) -> None:
        """An empty work folder, and in it the log of what Wine says."""
        shutil.rmtree(self.work, ignore_errors=True)
        self.work.mkdir(parents=True)
        self.log = open(self.log_path, "ab")

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

    @contextmanager
    def holder(self, windows_path: str, hold_ms: int):
        """A reader in the prefix that holds each new file under that name
        for hold_ms (e2e_driver hold), from the start of the block to its
        end; it is watching the file already there when the block begins.
        Yields its facts, which hold what it reports ("held-files",
        "stopped-by") once the block has ended."""
        out = self.work / f"holder-{hold_ms}ms.out"
        with open(out, "wb") as sink:
            holder = subprocess.Popen(
                ["wine", self.args.driver, "hold", windows_path, str(hold_ms),
                 str(HOLDER_BOUND * 1000)],
                stdin=subprocess.DEVNULL, stdout=sink, stderr=self.log, env=self.env)
        # Stopped by the session's end if the case fails before releasing it.
        self.launchers.append(holder)
        facts: dict[str, list[str]] = {}
        try:
            ready = wait_until(lambda: b"holding" in out.read_bytes() or holder.poll() is not None,
                               WINE_CALL)
            if not ready or holder.poll() is not None:
                raise CaseFailed(f"e2e_driver hold: {out.read_bytes().decode('utf-8', 'replace')}")
            yield facts
            self.driver("release")
            holder.wait(timeout=WINE_CALL)
        finally:
            facts.update(driver_facts(out))

    def stop_wine(self) -> None:
        self.run_quiet(["wineserver", "-k"])
        self.run_quiet(["wineserver", "-w"])

    def xdotool(self, *args: str) -> None:
        if subprocess.run(["xdotool", *args], stdout=self.log, stderr=self.log, env=self.env,
                          timeout=WINE_CALL).returncode != 0:
            raise CaseFailed(f"xdotool {' '.join(args)} failed")

    def click(self, x: int, y: int) -> None:
        # The server takes the move before the press: no --sync, which would
        # wait for a motion that never comes if the pointer is already there.
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def launch(self, desktop: str, size: tuple[int, int], env: dict[str, str],
               preexec_fn) -> Program:
        """wine explorer /desktop=NAME,WxH huevane.exe, as a user starts it."""
        width, height = size
        self.launchers.append(subprocess.Popen(
            ["wine", "explorer", f"/desktop={desktop},{width}x{height}", self.args.exe],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, env=env,
            preexec_fn=preexec_fn))
        return Program(self, desktop, size)

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


class Program:
    """huevane.exe on its virtual desktop, as another program in the prefix
    sees it: the driver finds its windows on that desktop by name."""

    def __init__(self, session: Session, desktop: str, size: tuple[int, int]):
        self.session = session
        self.desktop = desktop
        self.size = size
        # The screen rectangle (left, top, right, bottom) of the menu that
        # closed last: the desktop still owes it a paint when a window shows.
        self.menu_closed: tuple[int, ...] | None = None

    def driver(self, *args: str) -> dict[str, list[str]]:
        return self.session.driver("--desktop", self.desktop, *args)

    def wait_shown(self) -> dict[str, list[str]]:
        return self.driver("wait", str(WINDOW_WAIT * 1000))

    def close(self) -> dict[str, list[str]]:
        """WM_CLOSE to the main window; the facts hold the exit code."""
        return self.driver("close", str(CLOSE_WAIT * 1000))

    def state(self) -> dict[str, list[str]]:
        return self.driver("state")

    def form(self, class_name: str) -> dict[str, list[str]]:
        """One of the program's top-level windows as the driver finds it."""
        return self.driver("form", class_name)

    def bars(self) -> tuple[tuple[int, int], tuple[int, int], list[list[int]]]:
        """The client size, its screen origin and, left to right, each bar's
        left top width height min max page pos sbm-pos vertical tabstop
        stacking, as another program in the prefix sees them."""
        facts = self.driver("bars")
        client = tuple(int(v) for v in facts["client"][0].split())
        origin = tuple(int(v) for v in facts["client-origin"][0].split())
        return client, origin, [[int(v) for v in line.split()] for line in facts.get("bar", [])]

    def values(self) -> tuple[int, ...]:
        """The seven control values, bars 1 to 7, read from the bars."""
        _, _, bars = self.bars()
        by_number = {LEFT_TO_RIGHT[i]: bar[8] for i, bar in enumerate(bars[:7])}
        return tuple(by_number.get(n, -1) for n in range(1, 8))

    def keys(self, *presses: tuple[int, str, int]) -> None:
        """Key presses posted to bars by number: (bar, VK name, count)."""
        args = []
        for number, key, count in presses:
            args += [bar_index(number), str(VK[key]), str(count)]
        self.driver("keys", *args)

    def open_menu(self) -> tuple[int, ...] | None:
        """The screen rectangle of the open menu window, if one is open."""
        facts = self.driver("menus")
        return numbers(facts, "menu")[:4] if facts["menus"] != ["0"] else None

    def menu_count(self) -> list[str]:
        """How many menu windows are open, as the driver counts them."""
        return self.driver("menus")["menus"]

    def bytes_written(self) -> int:
        """All the bytes the program's process has handed to write() so far
        (wchar in /proc/PID/io): its files, and the little it sends to the
        wineserver and to ALSA."""
        pid = self.session.unix_pid()
        if pid is None:
            raise CaseFailed("the program's process is not found")
        for line in Path(f"/proc/{pid}/io").read_text().splitlines():
            key, _, value = line.partition(":")
            if key == "wchar":
                return int(value)
        raise CaseFailed(f"no wchar in /proc/{pid}/io")

    def usage(self) -> dict[str, int]:
        """The program's working set as Windows reports it, and its resident
        and data memory and open descriptors as Linux does. Not its handle,
        private-bytes or GDI-object counts: Wine answers those with 0 for
        another process, so they could never show a leak."""
        facts = self.driver("usage")
        figures = {"working-set": int(facts["working-set"][0])}
        pid = self.session.unix_pid()
        if pid is None:
            raise CaseFailed("the program's Linux process cannot be found")
        status = Path(f"/proc/{pid}/status").read_text()
        for line in status.splitlines():
            if line.startswith(("VmRSS:", "VmData:")):
                key, number = line.split()[:2]
                figures[key[:-1]] = int(number) * 1024
        figures["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
        return figures
