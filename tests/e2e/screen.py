"""The observer of the screen: captures of the X server's root window,
judged once the window in question shows what it should or has finished
painting, and pictures of windows, held to the README's."""

from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

from harness import SETTLE_WAIT, WINE_CALL, check, fence_fired, say, wait_until
from session import MAIN_CLASS, Program, numbers
from wallpaper import Bitmap, Pictures

# How far a pixel of the screenshot may stray from the file, per channel. The
# desktop shows the file as it is, on a 24-bit screen: exactly.
SCREEN_TOLERANCE = 0
# The fence that repaints a desktop Wine left stale, by name, and how often
# one case may need it before the case fails.
DESKTOP_REPAINT = "desktop repaint"
MOST_DESKTOP_REPAINTS = 2
# The fence that repaints a window of ours that Wine's desktop painted over,
# and how often one case may need it.
WINDOW_REPAINT = "window repaint"
MOST_WINDOW_REPAINTS = 2
# Samples are kept this far from the main window's frame; of the 18 x 14
# sampled, the small centred window hides only a few.
WINDOW_MARGIN = 8
MIN_SCREEN_POINTS = 200
# A window counts as painted when fewer than one of this many of its pixels
# show the wallpaper's colour at their place: the wallpaper's colours have
# no green, the windows' greys and title bars do, but the icon's gradient
# may match a few.
WALLPAPER_THROUGH = 100
# Names a folder that the marked case also writes its pictures of the windows
# to, under the names it gives them in its work folder.
SCREENSHOTS_VARIABLE = "HUEVANE_E2E_SCREENSHOTS"
# The README's pictures of the windows: a window pictured under one of their
# names must still look exactly so, but for what blinks in it, by picture:
# the agreement's caret (left, top, width, height).
README_PICTURES = Path(__file__).resolve().parent / "screenshots"
BLINKING = {"about.png": (10, 258, 1, 13)}

Area = tuple[int, int, int, int]


class Screen:
    """What the screen shows of one run's desktop. The virtual desktop is
    the only window on the case's Xvfb, at its origin."""

    def __init__(self, program: Program, pictures: Pictures | None, publish: bool):
        self.program = program
        self.pictures = pictures
        # Pictures of windows also go to HUEVANE_E2E_SCREENSHOTS.
        self.publish = publish
        self.work = program.session.work
        self.log = program.session.log

    def capture(self, area: Area, path: Path) -> bytes:
        """The screen's pixels in the area (left, top, width, height) as RGB
        rows, also kept in path; b"" if no screenshot could be taken."""
        left, top, width, height = area
        path.unlink(missing_ok=True)
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                        "-depth", "8", f"rgb:{path}"], stdout=self.log, stderr=self.log,
                       env=self.program.session.env, timeout=WINE_CALL)
        pixels = path.read_bytes() if path.exists() else b""
        return pixels if len(pixels) == width * height * 3 else b""

    def to_png(self, raw: Path, width: int, height: int, out: str, *options: str) -> None:
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", f"rgb:{raw}",
                        *options, out], stdout=self.log, stderr=self.log)

    def settled_capture(self, facts: dict[str, list[str]], area: Area, path: Path, good,
                        desktop: bool = False, wrong=None) -> tuple[bytes, bool]:
        """Captures the area until good(pixels) holds, or until the window of
        the facts has finished painting: every paint it was owed (frame,
        client area, controls, the desktop behind it) carried out, its thread
        back in its message loop, and two captures in a row alike after that.
        Returns the last capture and whether good() held for it.

        Wine's virtual desktop now and then leaves part of the desktop showing
        what was there a moment before (a menu just closed, the wallpaper of
        a change) with no paint left due that would mend it. So where the area
        judged is the desktop's (`desktop`), a desktop that has finished
        painting but does not show what it should is asked once to paint
        itself again, and judged on that.

        Where the area is a window's, a window of ours that is wrong once it
        has finished painting is wrong, with one exception. Wine's desktop
        may carry out a paint it owes after a window of another process has
        shown there and painted: the wallpaper then covers that part of the
        window, with no paint left due that would mend it, while the
        window's own picture is right. It owes one to the place of a menu
        just closed (the program itself waits out the start-up picture's
        paint before its first showing). So when each of the window's wrong
        pixels (`wrong(pixels)`, points of the area) shows the wallpaper at
        its place inside the menu that closed last, the window is asked once
        to paint itself again, and judged on that. Each such repaint is a
        fence's firing."""
        last: dict = {"pixels": b"", "good": False, "settled": None, "repainted": False}
        kind = facts["class"][0]

        def done():
            if self.program.form(kind).get("paint-pending") != ["0"]:
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
            if desktop:
                fence_fired(DESKTOP_REPAINT, "the desktop finished painting without showing "
                                             "the wallpaper: asked to paint itself again")
                self.program.driver("repaint", kind)
            elif wrong is not None and (owed := self.owed_paint()) and \
                    self.desktop_painted_over(area, pixels, wrong(pixels), owed[1]):
                fence_fired(WINDOW_REPAINT, f"the desktop painted the wallpaper of {owed[0]} "
                                            f"over {kind}: asked to paint itself again")
                self.program.menu_closed = None
                self.program.driver("redraw", kind)
            else:
                return True
            last["repainted"] = True
            last["settled"] = None
            return False
        wait_until(done, SETTLE_WAIT)
        return last["pixels"], last["good"]

    def owed_paint(self) -> tuple[str, tuple[int, ...]] | None:
        """The paint the desktop may still owe over a window, and its
        rectangle on the screen."""
        if self.program.menu_closed is not None:
            return f"the closed menu {self.program.menu_closed}", self.program.menu_closed
        return None

    def desktop_painted_over(self, area: Area, pixels: bytes,
                             wrong: list[tuple[int, int]], owed: tuple[int, ...]) -> bool:
        """Whether the wrong points of the area all show the wallpaper at
        their place, inside the rectangle `owed` a paint."""
        if not wrong or self.pictures is None:
            return False
        wallpaper = Bitmap.read(self.pictures.expected(self.program.size))
        left, top, width, _ = area
        return all(isinstance(at, tuple) and owed[0] <= left + at[0] < owed[2]
                   and owed[1] <= top + at[1] < owed[3]
                   and tuple(pixels[(at[1] * width + at[0]) * 3:][:3])
                   == wallpaper.rgb(left + at[0], top + at[1]) for at in wrong)

    def check_desktop(self, rect: list[int], picture: Bitmap,
                      min_points: int = MIN_SCREEN_POINTS) -> Path | None:
        """The desktop shows the picture wherever the main window, at `rect`,
        does not cover it, at no fewer than min_points of the sampled points.
        Returns the capture that showed it (RGB rows), or None."""
        width, height = self.program.size
        left, top, right, bottom = rect
        points = [(x, y)
                  for x in [width * i // 16 + width // 32 for i in range(16)] + [0, width - 1]
                  for y in [height * j // 12 + height // 24 for j in range(12)] + [0, height - 1]
                  if not (left - WINDOW_MARGIN <= x < right + WINDOW_MARGIN
                          and top - WINDOW_MARGIN <= y < bottom + WINDOW_MARGIN)]
        # A main window grown over the desktop must not leave nothing to look at.
        if not check(len(points) >= min_points,
                     "the main window leaves most of the desktop uncovered",
                     f"window {rect}, {len(points)} points left"):
            return None
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
        pixels, good = self.settled_capture(self.program.form(MAIN_CLASS),
                                            (0, 0, width, height), shot,
                                            lambda p: not mismatches(p), desktop=True)
        wrong = [] if good else mismatches(pixels) if pixels else [("no screenshot", 0)]
        if wrong:
            self.to_png(shot, width, height, str(shot.with_suffix(".png")))
        if not check(not wrong, f"the desktop shows the gradient at {len(points)} uncovered points",
                     f"{len(wrong)} differ, e.g. {wrong[:3]} (pixel, seen, expected); see "
                     f"{shot.with_suffix('.png')}"):
            return None
        return shot

    def check_pixels(self, what: str, facts: dict[str, list[str]], area: Area,
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

        pixels, good = self.settled_capture(facts, area, shot, lambda p: not differences(p),
                                            wrong=lambda p: [at for at, _, _ in differences(p)])
        wrong = [] if good else differences(pixels) if pixels else [("no screenshot", 0)]
        png = shot.with_suffix(".png")
        if wrong:
            self.to_png(shot, width, height, str(png))
        check(not wrong, f"{what}: all {len(expected)} pixels exact",
              f"{len(wrong)} differ, e.g. {wrong[:4]} (x, y in the area; seen; expected); "
              f"see {png}")

    def save_window(self, facts: dict[str, list[str]], name: str) -> None:
        """A picture of the window with its frame, which must look as the
        README's picture of that name does, if it has one; taken once the
        window has painted itself all over: a wallpaper
        change paints over windows until they redraw, and the wallpaper
        shows through where one has not yet."""
        left, top, right, bottom = numbers(facts, "rect")
        width, height = right - left, bottom - top
        wallpaper = Bitmap.read(self.pictures.expected(self.program.size))
        raw = self.work / f"{name}.rgb"

        def shown_through(pixels: bytes) -> list[tuple[int, int]]:
            return [(x, y) for y in range(height) for x in range(width)
                    if tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3])
                    == wallpaper.rgb(left + x, top + y)]

        def through(pixels: bytes) -> int:
            return len(shown_through(pixels))

        readme = self.readme_picture(name, width, height)

        def unlike(pixels: bytes) -> list:
            """Where the README's picture differs, but for what blinks."""
            if readme is None or isinstance(readme, str):
                return [readme] if readme else []
            blink_x, blink_y, blink_width, blink_height = BLINKING.get(name, (0, 0, 0, 0))
            row = width * 3
            return [(x, y) for y in range(height)
                    if pixels[y * row:(y + 1) * row] != readme[y * row:(y + 1) * row]
                    for x in range(width)
                    if pixels[y * row + x * 3:y * row + x * 3 + 3] !=
                    readme[y * row + x * 3:y * row + x * 3 + 3]
                    and not (blink_x <= x < blink_x + blink_width
                             and blink_y <= y < blink_y + blink_height)]

        def painted(pixels: bytes) -> bool:
            return through(pixels) * WALLPAPER_THROUGH < width * height

        pixels, _ = self.settled_capture(facts, (left, top, width, height), raw,
                                         lambda p: painted(p) and not unlike(p),
                                         wrong=lambda p: shown_through(p) + unlike(p))
        if not check(bool(pixels) and painted(pixels),
                     "the window is painted all over before its picture is taken",
                     f"{through(pixels) if pixels else 'no screenshot'} of "
                     f"{width * height} pixels show the wallpaper"):
            return
        shot = self.work / name
        # Without time stamps: the same window gives the same file.
        self.to_png(raw, width, height, f"png:{shot}", "-strip")
        if not check(shot.exists(), f"a picture of the window: {shot}", "convert failed"):
            return
        if readme is not None:
            wrong = unlike(pixels)
            check(not wrong, f"the window looks as the README's {name} shows it",
                  f"{len(wrong)} pixels differ, e.g. {wrong[:4]} (x, y); see {shot}. If the "
                  f"change is meant, refresh the README's pictures ({SCREENSHOTS_VARIABLE})")
        folder = os.environ.get(SCREENSHOTS_VARIABLE)
        if folder and self.publish:
            Path(folder).mkdir(parents=True, exist_ok=True)
            shutil.copyfile(shot, Path(folder) / name)
            say(f"     copied to {Path(folder) / name}")

    def readme_picture(self, name: str, width: int, height: int) -> bytes | str | None:
        """The README's picture of that name as RGB rows; None when it has
        none, or what is wrong with it."""
        readme = README_PICTURES / name
        if not readme.exists():
            return None
        ppm = subprocess.run(["convert", str(readme), "-depth", "8", "ppm:-"],
                             stdout=subprocess.PIPE, stderr=self.log).stdout
        _, size, _, pixels = ppm.split(b"\n", 3)
        if size.split() != [b"%d" % width, b"%d" % height]:
            return f"the README's {name} is {size.decode()}, the window {width}x{height}"
        return pixels

    def popup_items(self, rect: Area) -> list[tuple[str, int]]:
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
        self.to_png(shot, width, height, str(shot.with_suffix(".png")))
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
