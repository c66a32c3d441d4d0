#!/usr/bin/env python3
"""Writes a velkari-replay script of seeded random play: random_script.py SEED FRAMES

Mostly walking (arrows or keypad, now and then two at once), with DESTROY,
PASS, pauses and the start key pressed between; games end as the clock runs
out and the title is started again. The same SEED and FRAMES always give the
same script."""
import random
import sys

DIRECTIONS = ["UP", "DOWN", "LEFT", "RIGHT", "NUM2", "NUM4", "NUM6", "NUM8"]


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__.splitlines()[0], file=sys.stderr)
        return 2
    try:
        seed, frames = int(sys.argv[1]), int(sys.argv[2])
    except ValueError:
        print("random_script.py: SEED and FRAMES must be whole numbers", file=sys.stderr)
        return 2
    if frames < 1:
        print("random_script.py: FRAMES must be at least 1", file=sys.stderr)
        return 2
    rng = random.Random(seed)
    out = [f"# random play, seed {seed}, {frames} frames (tests/game/tools/random_script.py)"]
    left = frames
    while left > 0:
        r = rng.random()
        if r < 0.55:
            keys = rng.choice(DIRECTIONS)
            if rng.random() < 0.1:
                keys += "+" + rng.choice(DIRECTIONS)
            count = rng.randint(1, 48)
        elif r < 0.75:
            keys, count = "-", rng.randint(1, 30)
        elif r < 0.87:
            keys, count = "X", rng.randint(1, 3)  # DESTROY, a cue every time
        elif r < 0.93:
            # Start, or PASS in play; both lead into play within two frames,
            # so a pause right after it toggles in play (pause and on again)
            # rather than at the title, where ESC does nothing and would
            # leave the next pair the wrong way round.
            out.append(f"1 {rng.choice(['Z', 'SPACE'])}")
            left -= 1
            if left > 46 and rng.random() < 0.3:
                for line in ("4 -", "1 ESC", f"{rng.randint(1, 40)} -", "1 ESC"):
                    out.append(line)
                    left -= int(line.split()[0])
            keys, count = "-", 1
        elif r < 0.97:
            keys, count = "ENTER", rng.randint(1, 2)  # DESTROY by its other key
        else:
            keys, count = "X+" + rng.choice(DIRECTIONS), rng.randint(1, 16)
        count = min(count, left)
        if count > 0:
            out.append(f"{count} {keys}")
            left -= count
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
