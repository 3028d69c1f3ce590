"""What every part of the end-to-end suite shares: the log, the verdict, the
bounded wait and its bounds."""

from __future__ import annotations

import os
import time


class CaseFailed(Exception):
    pass


class CannotSetUp(Exception):
    pass


# Bounds of the waits, in seconds. Each wait polls its condition and returns
# as soon as it holds; these only limit how long a broken run can hang.
WINDOW_WAIT = 30
CLOSE_WAIT = 15
SOUND_WAIT = 30
# Bounds a window's paint, which on a busy machine may take a while: a screen
# check waits until the window shows what it should, or has finished painting.
SETTLE_WAIT = 60
WINE_CALL = 60
# A new picture takes a cycle or two; a drag of thousands takes longer.
CHANGE_WAIT = 20
POLL = 0.05

T0 = time.monotonic()

# What failed, in order: the case fails if anything is here at its end.
failures: list[str] = []
# What this machine could not set up, so was not checked: a case with no
# failure but something here is reported as skipped, with these reasons.
unchecked: list[str] = []


def say(message: str) -> None:
    print(f"[{time.monotonic() - T0:6.2f}s] {message}", flush=True)


def check(ok: bool, what: str, detail: str = "") -> bool:
    say(f"{'ok  ' if ok else 'FAIL'} {what}{'' if ok else ': ' + detail}")
    if not ok:
        failures.append(what)
    return ok


def cannot_check(reason: str) -> None:
    """A part of the case that this machine cannot set up: the rest of the
    case goes on, and the case cannot pass."""
    say(f"NOT CHECKED: {reason}")
    unchecked.append(reason)


# Each fence's firings in this case, by kind.
fence_counts: dict[str, int] = {}


def fence_fired(kind: str, detail: str) -> None:
    """A fence against Wine's flakiness let something through: said in the
    case's log and noted in the run's fence log, which the run's summary
    counts (see scripts/test)."""
    fence_counts[kind] = fence_counts.get(kind, 0) + 1
    say(f"     fence: {kind}: {detail}")
    log = os.environ.get("HUEVANE_FENCE_LOG")
    if log:
        with open(log, "a", encoding="utf-8") as out:
            out.write(f"fired: e2e {kind}: {detail}\n")


def wait_until(condition, seconds: float):
    """Polls condition() until it returns something true, or the bound passes;
    returns its last value."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(POLL)
