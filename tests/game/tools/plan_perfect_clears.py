#!/usr/bin/env python3
"""Writes the replay script of a game that clears stages perfectly (every item
taken, then the goal), with the trace lines the rules promise at each goal.

  plan_perfect_clears.py VELKARI_REPLAY CLEARS > perfect_clears.replay

It reads each stage's board from `velkari-replay --board`, plans a route with
a small model of the rules of play (slides of 16 frames, DESTROY to open a way
through breakables and blocks, never pushing), and keeps its own account of
score and time, so the expected lines come from this model, not from the game.
"""
import heapq
import subprocess
import sys

DIRS = {(1, 0): "RIGHT", (-1, 0): "LEFT", (0, 1): "DOWN", (0, -1): "UP"}


def board(replay, stage):
    out = subprocess.run([replay, "--board", str(stage)], capture_output=True, text=True,
                         check=True).stdout.split("\n")
    rows = [[int(v) for v in out[y].split()] for y in range(15)]
    return {(x, y): rows[y][x] for x in range(15) for y in range(15)}


def route(b, start, targets, allow_goal):
    """Cheapest path to the nearest target: a step costs 1, a step into a
    breakable or a block 30 more (a DESTROY first)."""
    dist = {start: 0}
    prev = {}
    heap = [(0, start)]
    while heap:
        d, c = heapq.heappop(heap)
        if d > dist[c]:
            continue
        if c in targets:
            path = [c]
            while path[-1] != start:
                path.append(prev[path[-1]])
            return path[::-1]
        for dx, dy in DIRS:
            n = (c[0] + dx, c[1] + dy)
            code = b[n]
            if code == 1 or (code == 5 and not allow_goal):
                continue
            nd = d + 1 + (30 if code in (2, 4) else 0)
            if nd < dist.get(n, 1 << 30):
                dist[n] = nd
                prev[n] = c
                heapq.heappush(heap, (nd, n))
    return None


class Game:
    def __init__(self):
        self.lines = []      # script lines
        self.frame = 4       # frames run so far (boot, title, new game, setup)
        self.timeFrames = 0
        self.time = 180
        self.score = 0
        self.bonus = 12
        self.clears = 0
        self.stage = 1

    def play_frame(self, keys, event=None):
        self.frame += 1
        self.lines.append(keys)
        if event:
            event()
        self.timeFrames += 1
        if self.timeFrames == 60:
            self.timeFrames = 0
            self.time -= 1
        if self.time <= 0:
            raise SystemExit(f"out of time at frame {self.frame}, stage {self.stage}")

    def script(self):
        out, last, count = [], None, 0
        for k in self.lines:
            if k == last:
                count += 1
                continue
            if last is not None:
                out.append(f"{count} {last}")
            last, count = k, 1
        if last is not None:
            out.append(f"{count} {last}")
        return out


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    replay, clears = sys.argv[1], int(sys.argv[2])
    g = Game()
    expected = []
    # The first play frame lets go of the title's Z.
    g.play_frame("-")
    while g.clears < clears:
        b = board(replay, g.stage)
        pos = (1, 1)
        items = {c for c, v in b.items() if v == 3}
        left = len(items)
        while True:
            targets = items if items else {(13, 13)}
            path = route(b, pos, targets, allow_goal=not items)
            for nxt in path[1:]:
                if b[nxt] in (2, 4):
                    def destroy(p=pos):
                        removed = False
                        for dx, dy in DIRS:
                            n = (p[0] + dx, p[1] + dy)
                            if b[n] in (2, 4):
                                b[n] = 0
                                removed = True
                        if removed:
                            g.time = max(g.time - 5, 0)
                    g.play_frame("X", destroy)
                d = (nxt[0] - pos[0], nxt[1] - pos[1])
                for _ in range(15):
                    g.play_frame(DIRS[d])
                before = (f"frame={g.frame} scene=4 stage={g.stage} score={g.score} "
                          f"time={g.time} items={left} player={pos[0]},{pos[1]} moving=1 "
                          f"slide={30 * d[0]},{30 * d[1]} carrying=0")
                arrived = {}

                def arrive(n=nxt):
                    nonlocal left
                    if b[n] == 3:
                        b[n] = 0
                        items.discard(n)
                        left -= 1
                        g.score += 10
                    if b[n] == 5:
                        g.stage += 1
                        g.clears += 1
                        g.score += 100 * g.clears
                        g.time += g.bonus
                        g.bonus = min(g.bonus + 1, 40)
                        arrived["goal"] = True
                g.play_frame(DIRS[d], arrive)
                pos = nxt
                if arrived:
                    expected.append((g.frame - 1, g.clears, before))
                    expected.append((g.frame, g.clears, f"frame={g.frame} scene=3 stage={g.stage} "
                                     f"score={g.score} time={g.time} items=0 player=13,13 "
                                     f"moving=0 slide=0,0 carrying=0"))
                    break
            if pos == (13, 13):
                break
        # The stage setup frame.
        g.frame += 1
        g.lines.append("-")
    print("# A game of %d perfect clears, planned by tests/game/tools/plan_perfect_clears.py" % clears)
    print("# from the stage boards; each goal line below follows from the rules:")
    print("# + 10 per item, + 100 x clears, + the time bonus (12, 13, ... up to 40).")
    print("1 -")
    print("1 Z")
    print("2 -")
    for line in g.script():
        print(line)
    for frame, n, line in expected:
        if n in (1, 2, 28, 29, 30) or n == clears:
            if "scene=4" in line:
                print(f"# perfect clear {n}: the last slide frame, then the goal")
            print("#> " + line)
    # No game has ended, so no high score yet (velkari-replay --summary).
    print("# the run: its frames, the last stage reached, the score and the high score")
    print(f"#> frames={g.frame} stage={g.stage} score={g.score} hiscore=0")
    return 0


if __name__ == "__main__":
    sys.exit(main())
