"""The program's temporary folder: plain, unwritable, on a small
filesystem that fills up, or made immutable while the program runs.

Mounts (the unwritable folder, the small filesystem) are made in a private
mount namespace. Where none can be made, or with
HUEVANE_E2E_PRIVATE_MOUNTS=0 in the environment, the cases fall back to
chattr +i and to a file-size limit on the program."""

from __future__ import annotations

import os
import resource
import shutil
import signal
import subprocess
import sys
from pathlib import Path

from harness import CannotSetUp, say

# The small filesystem of the full-filesystem case, and what is left free on
# it before the second run: more than nothing, so the save fails part-way.
SMALL_FS_BYTES = 4 * 1024 * 1024
SMALL_FS_LEFT = 256 * 1024

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


def release_immutable(folder: Path) -> None:
    """Undoes chattr +i from a case that was killed before it could."""
    if folder.exists():
        subprocess.run(["chattr", "-R", "-i", str(folder)], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


class TempFolder:
    """The folder set as the user's TEMP and TMP, by its Windows path and
    where it is on this machine."""

    def __init__(self, windows: str, path: Path):
        self.windows = windows
        self.path = path
        # The small filesystem's stand-in where nothing can be mounted.
        self.limit_writes = False
        self.file_size_limit: int | None = None

    def make_unwritable(self, log, cleanups: list) -> None:
        """A read-only bind mount where mounts are possible; otherwise the
        immutable attribute, which stops root as well (undone by cleanups)."""
        temp = self.path
        if in_private_mounts() and mount("--bind", str(temp), str(temp)) and mount(
                "-o", "remount,bind,ro", str(temp)):
            how = "read-only bind mount"
        elif subprocess.run(["chattr", "+i", str(temp)], stdout=log,
                            stderr=log).returncode == 0:
            cleanups.append(lambda: release_immutable(temp))
            how = "chattr +i"
        else:
            raise CannotSetUp("neither a read-only mount nor chattr +i works here")
        if can_create_in(temp):
            raise CannotSetUp(f"{how} left the folder writable")
        say(f"temporary folder made unwritable: {how}")

    def make_immutable(self, log, cleanups: list) -> bool:
        """The immutable attribute on the folder, as the program runs: no
        name in it can be made, moved or removed any more, but the files in
        it can still be written. False where the filesystem has no such
        attribute. lift_immutable undoes it; so do the cleanups."""
        if subprocess.run(["chattr", "+i", str(self.path)], stdout=log,
                          stderr=log).returncode != 0:
            return False
        cleanups.append(self.lift_immutable)
        if can_create_in(self.path):
            self.lift_immutable()
            return False
        return True

    def lift_immutable(self) -> None:
        release_immutable(self.path)

    def make_small_filesystem(self) -> None:
        """A small tmpfs where mounts are possible. Otherwise the second run
        gets a file-size limit between the two pictures, so its writes fail
        part-way in the same manner (EFBIG instead of ENOSPC)."""
        if in_private_mounts() and mount("-t", "tmpfs", "-o",
                                         f"size={SMALL_FS_BYTES},mode=0755", "tmpfs",
                                         str(self.path)):
            say(f"temporary folder on a {SMALL_FS_BYTES // 1024} KiB tmpfs")
            return
        self.limit_writes = True
        say("no mounts here: the second run gets a file-size limit instead")

    def fill(self) -> int:
        """Fills the small filesystem up to SMALL_FS_LEFT free; returns the
        bytes left."""
        stats = os.statvfs(self.path)
        with open(self.path / "filler", "wb") as filler:
            filler.write(b"\0" * max(0, stats.f_bavail * stats.f_frsize - SMALL_FS_LEFT))
        stats = os.statvfs(self.path)
        return stats.f_bavail * stats.f_frsize

    def fill_before(self, needed: int) -> None:
        """Leaves less room than the coming picture (of `needed` bytes) needs,
        but not none."""
        if self.limit_writes:
            self.file_size_limit = needed - SMALL_FS_LEFT
            return
        left = self.fill()
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
