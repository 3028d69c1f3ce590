"""The observer of sound: every stream a run opens reaches ALSA's file
plugin, which writes it to a WAVE file in the run's folder, and a cue is
found there sample for sample."""

from __future__ import annotations

import array
import struct
import subprocess
import sys
from pathlib import Path

from harness import SOUND_WAIT, CaseFailed, check, fence_fired, wait_until

# The cue that closes every cycle. The start-up click before it usually
# plays out too, but a slow sound device lets the strum cut it off before
# its first sample, so only this one is sure to reach the device.
CYCLE_CUE = "RSTRUM.wav"
# A captured sample at least this loud counts as sound (16-bit full scale is
# 32767; the cue peaks near 10000).
AUDIBLE = 1000
# The most silence Wine may put inside one cue, in seconds: a few of its
# periods; more is a gap a listener hears, ours or not.
MOST_SILENCE = 0.08

Cue = tuple[tuple[int, int], bytes]


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


def _samples(data: bytes) -> array.array:
    values = array.array("h", data[:len(data) & ~1])
    if sys.byteorder != "little":
        values.byteswap()
    return values


def _find_samples(haystack: bytes, needle: bytes) -> int:
    """Where 16-bit samples `needle` start in `haystack`, in bytes, on a
    sample's boundary; -1 when nowhere."""
    at = haystack.find(needle)
    while at >= 0 and at % 2:
        at = haystack.find(needle, at + 1)
    return at


def silence_inside(cue: bytes, captured: bytes) -> int | None:
    """How many zero samples lie inside the cue as captured, beyond the
    cue's own; None when the capture does not hold the whole cue, every
    sample in order. When Wine's ALSA driver runs short of data on a loaded
    machine it keeps the device fed with silence, so zero samples may sit
    between any two of the cue's: those are set aside, and every sound sample
    must still be there, in order and with nothing else between."""
    if _find_samples(captured, cue) >= 0:
        return 0
    wanted = [v for v in _samples(cue) if v]
    seen = _samples(captured)
    places = [i for i, v in enumerate(seen) if v]
    sound = array.array("h", (seen[i] for i in places)).tobytes()
    needle = array.array("h", wanted).tobytes()
    at = _find_samples(sound, needle)
    if at < 0 or not wanted:
        return None
    first, last = places[at // 2], places[at // 2 + len(wanted) - 1]
    own = _samples(cue)
    sounding = [i for i, v in enumerate(own) if v]
    return (last - first) - (sounding[-1] - sounding[0])


def plays(cue: bytes, captured: bytes, rate_samples: int, what: str) -> bool:
    """The capture holds the cue (see silence_inside), with no more than
    MOST_SILENCE of silence put inside it; any silence set aside is counted
    as a fence's firing. rate_samples: samples per second, all channels."""
    zeros = silence_inside(cue, captured)
    if zeros is None:
        return False
    if zeros:
        fence_fired("silence inside a cue", f"{what}: {zeros} zero samples set aside "
                                             f"({zeros / rate_samples * 1000:.0f} ms)")
    return check(zeros <= MOST_SILENCE * rate_samples,
                 f"{what}: at most {MOST_SILENCE} s of silence inside it",
                 f"{zeros} zero samples ({zeros / rate_samples:.2f} s)")


def peak16(samples: bytes) -> int:
    count = len(samples) // 2
    if count == 0:
        return 0
    values = struct.unpack_from(f"<{count}h", samples)
    return max(max(values), -min(values))


def expected_cue(cues: Path, name: str, log) -> Cue:
    """A cue as the device receives it: 16-bit samples, at the cue's own
    rate and channel count (sox decodes its mu-law)."""
    cue = cues / name
    channels, rate, _ = wave_format(cue.read_bytes()) or (0, 0, 0)
    decoded = subprocess.run(["sox", str(cue), "-t", "raw", "-e", "signed-integer",
                              "-b", "16", "-L", "-"], stdout=subprocess.PIPE,
                             stderr=log, check=True).stdout
    if peak16(decoded) < AUDIBLE:
        raise CaseFailed(f"{cue} is too quiet to tell from silence")
    return (channels, rate), decoded


class Sound:
    """What one run sends to ALSA, captured in its folder."""

    def __init__(self, folder: Path, cues: Path, log):
        self.folder = folder
        self.cues = cues
        self.log = log

    def configure(self) -> Path:
        """ALSA's configuration for the run; returns the XDG_CONFIG_HOME that
        holds it."""
        xdg = self.folder / "xdg"
        (xdg / "alsa").mkdir(parents=True)
        # Every stream the program opens is written to a file named by its
        # format, so a later cue in another format cannot overwrite it.
        (xdg / "alsa" / "asoundrc").write_text(
            'pcm.!default { type file; slave.pcm "null"; '
            f'file "{self.folder}/audio-%r-%c-%b.wav"; format "wav" }}\n')
        return xdg

    def expected_cue(self, name: str = CYCLE_CUE) -> Cue:
        return expected_cue(self.cues, name, self.log)

    def check_cycle_cue(self, cue: Cue) -> None:
        """The cycle's cue is in one of the captures, sample for sample."""
        (channels, rate), samples = cue

        def heard():
            for capture in self.folder.glob("audio-*.wav"):
                data = capture.read_bytes()
                form = wave_format(data)
                if form and form[:2] == (channels, rate) and form[2] == 16 \
                        and silence_inside(samples, wave_samples(data)) is not None:
                    return capture
            return None

        found = wait_until(heard, SOUND_WAIT)
        if found:
            check(True, f"the cycle's cue reached ALSA ({found.name})")
            plays(samples, wave_samples(found.read_bytes()), channels * rate, "the cycle's cue")
            return
        seen = []
        for capture in sorted(self.folder.glob("audio-*.wav")):
            data = capture.read_bytes()
            seen.append(f"{capture.name}: {wave_format(data)}, "
                        f"{len(wave_samples(data))} bytes, peak {peak16(wave_samples(data))}")
        check(False, "the cycle's cue reached ALSA", "captured: " + ("; ".join(seen) or "nothing"))

    def captures(self) -> dict[str, tuple[int, int, int]]:
        """Every capture file of the run by its inode, size and change time: a
        cue in the file's format opens it anew, and so changes the time, even
        when it writes the same samples again."""
        found = {}
        for capture in self.folder.glob("audio-*.wav"):
            facts = capture.stat()
            found[capture.name] = (facts.st_ino, facts.st_size, facts.st_mtime_ns)
        return found

    def capture_file(self, channels: int, rate: int) -> Path:
        return self.folder / f"audio-{rate}-{channels}-16.wav"

    def capture_closed(self, channels: int, rate: int) -> bool:
        """The capture of that format is closed: ALSA fills in the data
        chunk's length when it closes the file."""
        capture = self.capture_file(channels, rate)
        data = capture.read_bytes() if capture.exists() else b""
        at = data.find(b"data", 12)
        return at >= 0 and struct.unpack_from("<I", data, at + 4)[0] == len(data) - at - 8

    def cue(self, name: str) -> tuple[Path, bytes]:
        """The capture file a cue reaches and its samples as the device gets them."""
        (channels, rate), samples = self.expected_cue(name)
        return self.capture_file(channels, rate), samples

    def quiet(self, name: str) -> dict[str, tuple[int, int, int]]:
        """Waits until no stream in that cue's format is open, and returns the
        captures as they are then: a stream still open may write again."""
        (channels, rate), _ = self.expected_cue(name)
        capture, _ = self.cue(name)
        check(wait_until(lambda: not capture.exists() or self.capture_closed(channels, rate),
                         SOUND_WAIT),
              f"no earlier cue in {name}'s format still sounds", f"{capture} stays open")
        return self.captures()

    def check_cue(self, name: str, before: dict[str, tuple[int, int, int]], why: str) -> None:
        """The cue reached ALSA after `before` was taken: its capture was
        opened anew (a cue opens it, a closed one does not change) and holds
        the cue sample for sample."""
        (channels, rate), _ = self.expected_cue(name)
        capture, samples = self.cue(name)

        def heard():
            if self.captures().get(capture.name) == before.get(capture.name):
                return False
            data = capture.read_bytes() if capture.exists() else b""
            return silence_inside(samples, wave_samples(data)) is not None
        if check(wait_until(heard, SOUND_WAIT),
                 f"{why} plays {name[:-4]}, sample for sample ({capture.name})",
                 f"not found; captures before {before}, after {self.captures()}"):
            plays(samples, wave_samples(capture.read_bytes()), channels * rate, name[:-4])
