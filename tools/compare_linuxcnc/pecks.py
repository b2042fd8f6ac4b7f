"""Drilling lines: the depths the tool feeds to, hole by hole.

The pecks of a hole run up and down one vertical line, so distances between the two
paths cannot tell three pecks from six. For every line that LinuxCNC runs in a drilling
cycle, the depths at which the tool stops going down (each peck's depth, each hole's
bottom) are listed on both sides, in order, and compared."""

# LinuxCNC's motion modes (G code x 10) of the drilling cycles G73, G81-G89.
DRILL_MODES = frozenset((730, 810, 820, 830, 840, 850, 860, 870, 880, 890))


def turning_depths(points, owners):
    """Per source line, the heights (mm) where the tool stops going down, in order."""
    depths = {}
    down = False
    owner = None
    for i in range(1, len(points)):
        line = int(owners[i])
        if line != owner:
            if down and owner is not None:
                depths.setdefault(owner, []).append(float(points[i - 1][2]))
            down = False
            owner = line
        z, before = points[i][2], points[i - 1][2]
        if z < before - 1e-9:
            down = True
        elif z > before + 1e-9:
            if down:
                depths.setdefault(line, []).append(float(before))
            down = False
    if down and owner is not None:
        depths.setdefault(owner, []).append(float(points[-1][2]))
    return depths


def drilling_lines(states, reported=()):
    """Lines run in a drilling cycle, reported lines aside (they are shown apart)."""
    return sorted(l for l, st in states.items() if st and st[0] in DRILL_MODES and l not in reported)


def same_depths(a, b, tolerance):
    return len(a) == len(b) and all(abs(x - y) <= tolerance for x, y in zip(a, b))


def compare(m_points, m_owners, r_points, r_owners, states, reported, tolerance):
    """(number of drilling lines compared, [(line, Tolvane's depths, LinuxCNC's)] that differ)."""
    lines = drilling_lines(states, reported)
    mine = turning_depths(m_points, m_owners)
    theirs = turning_depths(r_points, r_owners)
    differ = []
    for l in lines:
        a, b = mine.get(l, []), theirs.get(l, [])
        if not same_depths(a, b, tolerance):
            differ.append((l, a, b))
    return len(lines), differ


def describe(depths, limit=8):
    text = ", ".join("%.3f" % d for d in depths[:limit])
    if len(depths) > limit:
        text += ", ..."
    return "%d: %s" % (len(depths), text) if depths else "none"
