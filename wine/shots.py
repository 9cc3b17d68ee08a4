#!/usr/bin/env python3
"""The i686 cells' screenshots against the x86-64 run's, pixel for pixel.

    wine/shots.py SHOTS-DIR CELL ...

SHOTS-DIR/<cell>/<name>.png as the harness takes them. Every picture an
i686 cell took is compared with the x86-64 picture of the same name; the
platform changes nothing that is drawn (the window, the targets and the
dialogs come out of the same code and the same resources, and Wine draws
frames and captions alike for every Windows version), so any differing
pixel is a failure. Prints one line per cell; exit code 1 on a difference.
"""

import subprocess
import sys
from pathlib import Path


def differing_pixels(a, b):
    """ImageMagick's count of differing pixels (AE), or None when the two
    cannot be compared (another size)."""
    result = subprocess.run(["compare", "-metric", "AE", str(a), str(b), "null:"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
    text = result.stderr.decode(errors="replace").strip().split()
    try:
        return int(float(text[0]))
    except (IndexError, ValueError):
        return None


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    shots = Path(argv[1])
    reference = shots / "x86_64"
    status = 0
    for cell in argv[2:]:
        if cell == "x86_64":
            continue
        same, differ, alone = [], [], []
        for picture in sorted((shots / cell).glob("*.png")):
            other = reference / picture.name
            if not other.exists():
                alone.append(picture.name)
                continue
            count = differing_pixels(picture, other)
            (same if count == 0 else differ).append(
                picture.name if count == 0 else "%s (%s pixels)" % (picture.name, count))
        print("screenshots %s against x86-64: %d identical%s%s" % (
            cell, len(same), "; differ: " + ", ".join(differ) if differ else "",
            "; no x86-64 picture: " + ", ".join(alone) if alone else ""))
        if differ:
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
