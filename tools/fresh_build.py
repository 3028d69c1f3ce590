"""Shared by the generator scripts: does a fresh build match the committed files?"""
import filecmp
import pathlib
import sys
import tempfile


def matches_fresh_build(tool, what, committed, names, generate):
    """Runs generate(folder) into a temporary folder and compares each of
    `names` (paths relative to both folders) with the committed file.
    Prints the verdict; returns the exit status: 0 all match, 1 not."""
    with tempfile.TemporaryDirectory(prefix=f"huevane-{tool}-check-") as tmp:
        fresh = pathlib.Path(tmp)
        generate(fresh)
        _, mismatch, errors = filecmp.cmpfiles(committed, fresh, names, shallow=False)
        for name in mismatch + errors:
            print(f"{tool}: {committed / name} differs from a fresh build", file=sys.stderr)
        if mismatch or errors:
            return 1
        print(f"{tool}: the {len(names)} {what} in {committed} match a fresh build")
        return 0
