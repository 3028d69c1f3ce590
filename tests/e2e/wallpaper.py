"""Observers of the wallpaper: the file in the temporary folder against
huevane-render's picture and, since that shares the program's encoder and
fill, against the format and the gradient's rules on their own; the
program's other files beside it; and the wallpaper setting as the registry
and SPI_GETDESKWALLPAPER give it."""

from __future__ import annotations

import struct
import subprocess
from dataclasses import dataclass
from pathlib import Path

from harness import CaseFailed, check
from session import Program

# The first cycle of every start: pure red to pure blue, left to right.
FIRST_START = (255, 0, 0)
FIRST_END = (0, 0, 255)
FIRST_STYLE = 0
# The seven control values, bars 1 to 7, at every start.
START_VALUES = FIRST_START + FIRST_END + (FIRST_STYLE,)
WALLPAPER_NAME = "Huevane.Bmp"
# The program's own files beside the wallpaper: "~hv", the writer's process
# id and one more digit, in base 32 (the old form ended in .tmp).
OUR_NAMES = ("~hv" + "[0-9a-v]" * 8, "*.tmp")


def row_bytes(width: int) -> int:
    """One row of a 24-bit picture, padded to four bytes."""
    return (width * 3 + 3) & ~3


def picture_bytes(size: tuple[int, int]) -> int:
    """The size of the wallpaper file of a desktop this size."""
    return 54 + row_bytes(size[0]) * size[1]


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
        return Bitmap(width, abs(height), data, offset, row_bytes(width), height > 0)

    def rgb(self, x: int, y: int) -> tuple[int, int, int]:
        row = self.height - 1 - y if self.bottom_up else y
        at = self.offset + row * self.stride + x * 3
        blue, green, red = self.data[at:at + 3]
        return red, green, blue


def _single(value: float) -> float:
    """value rounded to the nearest IEEE single-precision float."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def rule_lines(values: tuple[int, ...], lines: int) -> list[tuple[int, int, int]]:
    """The colour of each column (styles 0-2) or row (3-5) of a whole-screen
    picture `lines` wide or high, from the gradient's documented rules alone:
    a running colour in single precision, begun at the first colour and
    advanced by (far - first) / extent (twice that, mirrored) rounded once;
    each line's colour the running one rounded half to even; lines walked to
    `lines` inclusive (the mirrored styles to the centre, each also drawn at
    2c - i), the ones beyond the last clamped onto it."""
    start, end, style = values[0:3], values[3:6], values[6]
    first, far = {0: (start, end), 1: (end, start), 2: (end, start),
                  3: (start, end), 4: (end, start), 5: (start, end)}[style]
    mirrored = style in (2, 5)
    step = [_single((f - s) / lines * (2 if mirrored else 1)) for s, f in zip(first, far)]
    running = [float(c) for c in first]
    colours: list[tuple[int, int, int]] = [(0, 0, 0)] * lines
    centre = lines // 2
    for i in range(centre + 1 if mirrored else lines + 1):
        colour = tuple(round(c) for c in running)
        for line in ((i, 2 * centre - i) if mirrored else (i,)):
            colours[min(line, lines - 1)] = colour
        running = [_single(c + d) for c, d in zip(running, step)]
    return colours


def check_own_terms(data: bytes, size: tuple[int, int], values: tuple[int, ...],
                    what: str = "the wallpaper file") -> bool:
    """The file on its own terms, whoever made it: a 24-bit BMP header whose
    fields agree with the file's length and the screen's size, bottom-up rows
    padded to four bytes with zeros, and pixels of the colours the gradient's
    rules give for `values` (see rule_lines)."""
    width, height = size
    stride = row_bytes(width)
    wrong = []
    if len(data) < 54:
        return check(False, f"{what} is a whole BMP file", f"only {len(data)} bytes")
    fields = {
        "signature": (data[:2], b"BM"),
        "file size": (struct.unpack_from("<I", data, 2)[0], len(data)),
        "reserved": (struct.unpack_from("<I", data, 6)[0], 0),
        "pixel offset": (struct.unpack_from("<I", data, 10)[0], 54),
        "header size": (struct.unpack_from("<I", data, 14)[0], 40),
        "width": (struct.unpack_from("<i", data, 18)[0], width),
        "height (positive: bottom-up)": (struct.unpack_from("<i", data, 22)[0], height),
        "planes": (struct.unpack_from("<H", data, 26)[0], 1),
        "bits per pixel": (struct.unpack_from("<H", data, 28)[0], 24),
        "compression": (struct.unpack_from("<I", data, 30)[0], 0),
        "file length": (len(data), 54 + stride * height),
    }
    wrong += [f"{name} {seen!r}, expected {want!r}" for name, (seen, want) in fields.items()
              if seen != want]
    image = struct.unpack_from("<I", data, 34)[0]
    if image not in (0, stride * height):
        wrong.append(f"image size {image}, expected 0 or {stride * height}")
    if not wrong:
        pad = stride - width * 3
        for row in {0, height // 2, height - 1}:
            at = 54 + row * stride + width * 3
            if data[at:at + pad] != bytes(pad):
                wrong.append(f"row {row} is not padded with zeros")
        columns = values[6] < 3
        lines = rule_lines(values, width if columns else height)
        for x, y in {(0, 0), (width - 1, height - 1), (width // 3, height // 3),
                     (width // 2, height // 2), (width - 1, 0), (0, height - 1)}:
            at = 54 + (height - 1 - y) * stride + x * 3
            seen = (data[at + 2], data[at + 1], data[at])
            want = lines[x if columns else y]
            if seen != want:
                wrong.append(f"pixel ({x}, {y}) is {seen}, the rules give {want}")
    return check(not wrong, f"{what} is, on its own terms, the {width}x{height} picture of "
                            f"{values}", "; ".join(wrong[:4]))


class Pictures:
    """huevane-render's pictures, each made once in the work folder."""

    def __init__(self, render: str, work: Path, log):
        self.render = render
        self.work = work
        self.log = log

    def expected(self, size: tuple[int, int], values: tuple[int, ...] = START_VALUES) -> Path:
        name = "" if values == START_VALUES else "-" + "-".join(map(str, values))
        out = self.work / f"expected-{size[0]}x{size[1]}{name}.bmp"
        if not out.exists():
            command = [self.render, "--size", f"{size[0]}x{size[1]}",
                       "--start", ",".join(map(str, values[0:3])),
                       "--end", ",".join(map(str, values[3:6])),
                       "--style", str(values[6]), "--out", str(out)]
            if subprocess.run(command, stdout=self.log, stderr=self.log).returncode != 0:
                raise CaseFailed(f"huevane-render failed: {' '.join(command)}")
        return out


def check_file(file: str, size: tuple[int, int], wallpaper: Path, previous: bytes | None,
               pictures: Pictures) -> None:
    """file: "rendered" - the wallpaper file equals huevane-render's picture
    at this size; "absent" - no file could be written; "kept" - the file is
    `previous`, byte for byte."""
    present = wallpaper.exists()
    if file == "absent":
        check(not present, "no wallpaper file could be written", f"{wallpaper} exists")
        return
    if not check(present, "the wallpaper file exists", str(wallpaper)):
        return
    actual = wallpaper.read_bytes()
    if file == "rendered":
        check_own_terms(actual, size, START_VALUES)
        expected = pictures.expected(size).read_bytes()
        detail = ""
        if actual != expected:
            first = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b),
                         min(len(actual), len(expected)))
            detail = f"{len(actual)} bytes, expected {len(expected)}; first difference at {first}"
        check(actual == expected, f"the wallpaper file equals huevane-render's {size[0]}x{size[1]}",
              detail)
    else:
        check(actual == previous, "the last good wallpaper file is unchanged",
              f"{len(actual)} bytes now, {len(previous or b'')} before")


def our_names(temp: Path) -> list[str]:
    return sorted({p.name for pattern in OUR_NAMES for p in temp.glob(pattern)})


def check_no_temporaries(temp: Path, when: str = "") -> None:
    left = our_names(temp) if temp.exists() else []
    check(not left, f"no temporary or spare file is left{when}", ", ".join(left))


def check_state(program: Program, expected_path: str) -> dict[str, list[str]]:
    """The wallpaper setting names the file, no message box is up, and the
    main window shows and answers; returns the driver's facts."""
    state = program.state()
    registry = state.get("wallpaper-registry", ["?"])[0]
    spi = state.get("wallpaper-spi", ["?"])[0]
    check(registry == expected_path, r"HKCU\Control Panel\Desktop Wallpaper names the file",
          f"{registry!r}, expected {expected_path!r}")
    check(spi == expected_path, "SPI_GETDESKWALLPAPER names the file",
          f"{spi!r}, expected {expected_path!r}")
    check(state.get("dialogs") == ["0"], "no message box",
          "; ".join(state.get("dialog-title", []) + state.get("dialog-text", [])))
    check(state.get("responds") == ["1"] and state.get("visible") == ["1"],
          "the main window is visible and responds", str(state))
    return state
