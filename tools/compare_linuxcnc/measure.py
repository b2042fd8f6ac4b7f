"""Distances between the machine's path and LinuxCNC's, per source line, with labels.

Every vertex of each path is measured against the other path's polyline, but only
against the segments of the same source line and of the `window` nearest source lines
before and after it that move in the other path: a path that passes the same place
at another time of the program does not hide a deviation.

Each source line gets a label:
  CLEAN       compared, counts for the result;
  DELIBERATE  this machine's own semantics (G28/G30 home X and Y and keep Z; drilling
              cycles always run along Z): measured and shown apart;
  REPORTED    the paths part at a line whose word group the converter reported, and
              stay apart until they meet again at the end of a line: shown apart;
  SKIPPED     not compared: after M02/M30 (LinuxCNC stops reading there), from the
              line where LinuxCNC stopped with an error.
Such a stretch starts at its line and lasts until both paths end a line at the same
point again (within the threshold). The program-end park of the machine is left out
vertex by vertex."""

import numpy as np

from . import reference, source

CLEAN, DELIBERATE, REPORTED, SKIPPED = 0, 1, 2, 3
LABEL_NAMES = {CLEAN: "compared", DELIBERATE: "deliberate", REPORTED: "after a report",
               SKIPPED: "not compared"}


def point_segment_distances(p, a, b):
    """Distances from points p (n, 3) to segments a-b (n, k, 3), shape (n, k)."""
    d = b - a
    w = p[:, None, :] - a
    dd = np.einsum("nki,nki->nk", d, d)
    t = np.einsum("nki,nki->nk", w, d)
    with np.errstate(invalid="ignore", divide="ignore"):
        t = np.where(dd > 0, t / np.where(dd > 0, dd, 1.0), 0.0)
    t = np.clip(t, 0.0, 1.0)
    q = a + t[..., None] * d - p[:, None, :]
    return np.sqrt(np.einsum("nki,nki->nk", q, q))


class Segments:
    """The usable segments of a path, sorted by the source line that drew them, so that
    the segments of a run of consecutive moving lines are one slice."""

    def __init__(self, points, owners, usable):
        seg_owner = owners[1:]
        keep = np.nonzero(usable[1:])[0]
        order = keep[np.argsort(seg_owner[keep], kind="stable")]
        self.a = points[order]
        self.b = points[order + 1]
        owner_sorted = seg_owner[order]
        self.lines, first = np.unique(owner_sorted, return_index=True)
        self.start = first
        self.end = np.append(first[1:], len(order)).astype(np.int64)

    def windows(self, lines, window):
        """For each source line: the slice [lo, hi) of segments of that line and of the
        `window` nearest moving lines on each side."""
        u = self.lines
        if len(u) == 0:
            z = np.zeros(len(lines), dtype=np.int64)
            return z, z
        r = np.searchsorted(u, lines, side="left")
        present = (r < len(u)) & (u[np.minimum(r, len(u) - 1)] == lines)
        lo_rank = np.maximum(r - window, 0)
        hi_rank = np.where(present, r + window, r + window - 1)
        hi_rank = np.minimum(hi_rank, len(u) - 1)
        empty = hi_rank < lo_rank
        hi_rank = np.maximum(hi_rank, lo_rank)
        lo = self.start[lo_rank]
        hi = np.where(empty, lo, self.end[hi_rank])
        return lo, hi


def nearest_distances(points, lines, segs, window, budget=1_500_000):
    """Distance of each point to the segments in its line's window (NaN: none there)."""
    n = len(points)
    out = np.full(n, np.nan)
    if n == 0:
        return out
    lo, hi = segs.windows(lines, window)
    size = hi - lo
    has = size > 0
    # Points with windows of similar size go together: one array operation per bucket.
    bucket = np.zeros(n, dtype=np.int64)
    bucket[has] = np.ceil(np.log2(size[has])).astype(np.int64)
    for bk in np.unique(bucket[has]):
        rows = np.nonzero(has & (bucket == bk))[0]
        k = int(size[rows].max())
        step = max(1, budget // max(k, 1))
        for s in range(0, len(rows), step):
            r = rows[s:s + step]
            idx = lo[r, None] + np.arange(k)[None, :]
            valid = idx < hi[r, None]
            idx = np.where(valid, idx, lo[r, None])
            d = point_segment_distances(points[r], segs.a[idx], segs.b[idx])
            d[~valid] = np.inf
            out[r] = d.min(axis=1)
    return out


def line_ends(points, owners, n_lines, left_out=None):
    """Per source line (index 0..n_lines): whether it moves, and the position when it
    ends. Vertices marked in left_out (the park) count for neither."""
    moves = np.zeros(n_lines + 1, dtype=bool)
    last = np.full(n_lines + 1, -1, dtype=np.int64)
    idx = np.arange(1, len(owners))
    if left_out is not None:
        idx = idx[~left_out[1:]]
    if len(idx):
        own = np.clip(owners[idx], 0, n_lines)
        moves[own] = True
        np.maximum.at(last, own, idx)
    ends = np.empty((n_lines + 1, 3))
    cur = points[0]
    for line in range(n_lines + 1):
        if last[line] >= 0:
            cur = points[last[line]]
        ends[line] = cur
    return moves, ends


class Stretch:
    """Consecutive moving lines labelled for one cause: a deliberate difference at line
    `cause`, or the word groups `reason` reported at line `cause`."""

    def __init__(self, kind, first, reason, cause):
        self.kind, self.first, self.last, self.reason, self.cause = kind, first, first, reason, cause
        self.max_dev, self.max_line = 0.0, first


class Comparison:
    """The result for one program."""
    pass


def modal_triggers(states, reported):
    """Lines where a mode that the converter reported and left out is in force in
    LinuxCNC: a drilling cycle under G98 (retract to the initial height), a move under
    cutter compensation (G41/G42). Their effect shows lines after the report."""
    seen = {}                      # code -> [(reported line, group)] in line order
    for line in sorted(reported):
        for g in reported[line]:
            for c in source.codes_of(g):
                seen.setdefault(c, []).append((line, g))

    def cause(code, line):
        """The last report of the code before or at the line."""
        best = None
        for at, g in seen.get(code, ()):
            if at <= line:
                best = (at, [g])
        return best

    out = {}
    for line, st in states.items():
        mode, _, retract, side = st
        found = None
        if retract == 980 and 810 <= mode <= 890:
            found = cause("G98", line)
        if found is None and 730 <= mode <= 890:
            found = cause("G%g" % (mode / 10.0), line)
        if found is None and side != 400:
            for c in ("G41", "G42", "G41.1", "G42.1"):
                found = found or cause(c, line)
        if found is not None:
            out[line] = found
    return out


# Reported codes that set offsets: their effect lasts for the rest of the program.
_OFFSET_CODES = {"G10", "G92", "G52"}


def label_lines(texts, n_lines, moves_m, ends_m, moves_r, ends_r, reported, states,
                skip_from, tolerance):
    """Labels of source lines 1..n_lines (index 0 unused) and the stretches behind them."""
    modal = modal_triggers(states, reported)
    label = np.full(n_lines + 1, CLEAN, dtype=np.int64)
    stretch_of = np.full(n_lines + 1, -1, dtype=np.int64)
    stretches = []
    carry = None        # the stretch that goes on until the paths meet again
    pending = None      # a reported line whose effect shows at the next moving line
    sticky = None       # a reported offset: every later parting is put down to it
    previous = 0        # the last moving line

    def mark(kind, cause, reason, line):
        last = stretches[-1] if stretches else None
        if last is not None and last.kind == kind and last.cause == cause and last.last == previous:
            st = last                   # one stretch for a run of lines with one cause
        else:
            st = Stretch(kind, line, reason, cause)
            stretches.append(st)
        st.last = line
        label[line], stretch_of[line] = kind, stretches.index(st)
        return st

    for line in range(1, n_lines + 1):
        if line >= skip_from:
            label[line:] = SKIPPED
            break
        text = texts[line - 1] if line - 1 < len(texts) else ""
        deliberate = None
        if source.is_return_to_reference(text):
            deliberate = "G28/G30 home X and Y and keep Z"
        else:
            mode, plane = states.get(line, (0, 170, 990, 400))[:2]
            if 810 <= mode <= 890 and plane != 170 and moves_r[line]:
                deliberate = "drilling cycles run along Z in every plane"
        if line in reported:
            if pending is None:
                pending = (line, reported[line])
            if any(c in _OFFSET_CODES for g in reported[line]
                                      for c in source.codes_of(g)[:1]):
                sticky = (line, reported[line])
        if not (moves_m[line] or moves_r[line]):
            continue
        in_sync = float(np.linalg.norm(ends_m[line] - ends_r[line])) <= tolerance
        if deliberate:
            st = mark(DELIBERATE, line, deliberate, line)
            carry = None if in_sync else st
            pending = None
        elif carry is not None:
            mark(carry.kind, carry.cause, carry.reason, line)
            if in_sync:
                carry = None
        elif line in reported and (not in_sync or any(
                source.classify_group(g)[0] != "neutral" for g in reported[line])):
            # The reported group itself moves the tool in LinuxCNC (a code the
            # machine lacks), or coordinates went with it: this line is put down to it.
            st = mark(REPORTED, line, reported[line], line)
            carry = None if in_sync else st
            pending = None
        elif line in modal:
            # A reported mode (G98, a cycle, cutter compensation) is in force here.
            st = mark(REPORTED, modal[line][0], modal[line][1], line)
            carry = None if in_sync else st
            pending = None
        elif pending is not None or (sticky is not None and not in_sync):
            cause = pending if pending is not None else sticky
            if not in_sync:
                carry = mark(REPORTED, cause[0], cause[1], line)
            pending = None
        previous = line
    return label, stretch_of, stretches


def compare(mpath, m_owners, rpath, texts, reported, threshold=0.1, window=1):
    """Compare the machine's path (m_owners: source line of each vertex) with LinuxCNC's.

    reported: {line: [groups]} of the converter's reports."""
    n_lines = int(max(len(texts), m_owners.max(initial=0), rpath.owners.max(initial=0)))
    m_owners = np.clip(m_owners, 0, n_lines)
    r_owners = np.clip(rpath.owners, 0, n_lines)

    # Where LinuxCNC stopped: at M2/M30 (result 1) lines after it are not run; on an
    # error, that line and the rest.
    skip_from = n_lines + 1
    skip_reason = ""
    note = ""
    if rpath.error and reference.NO_PROGRAM_END in rpath.error:
        note = "LinuxCNC: no M02/M30 at the end (every line read)"
    elif rpath.error and rpath.last_line <= n_lines:
        skip_from = max(1, rpath.last_line)
        skip_reason = "LinuxCNC stops at line %d: %s" % (rpath.last_line, rpath.error)
    elif not rpath.error and rpath.last_line < n_lines:
        skip_from = rpath.last_line + 1
        skip_reason = "after the program end (LinuxCNC stops reading at M02/M30)"

    moves_m, ends_m = line_ends(mpath.points, m_owners, n_lines, mpath.park)
    moves_r, ends_r = line_ends(rpath.points, r_owners, n_lines)
    label, stretch_of, stretches = label_lines(
        texts, n_lines, moves_m, ends_m, moves_r, ends_r, reported, rpath.states,
        skip_from, threshold)

    m_usable = (label[m_owners] != SKIPPED) & ~mpath.park
    r_usable = label[r_owners] != SKIPPED
    m_usable[0] = r_usable[0] = False
    m_segs = Segments(mpath.points, m_owners, m_usable)
    r_segs = Segments(rpath.points, r_owners, r_usable)

    mi = np.nonzero(m_usable)[0]
    ri = np.nonzero(r_usable)[0]
    dev_m = nearest_distances(mpath.points[mi], m_owners[mi], r_segs, window)
    dev_r = nearest_distances(rpath.points[ri], r_owners[ri], m_segs, window)
    # Where the other path has no move at all near a line, its tool stands where it
    # was when that line ran.
    for dev, pts, own, ends in ((dev_m, mpath.points[mi], m_owners[mi], ends_r),
                                (dev_r, rpath.points[ri], r_owners[ri], ends_m)):
        nan = np.isnan(dev)
        dev[nan] = np.linalg.norm(pts[nan] - ends[own[nan]], axis=1)

    c = Comparison()
    c.n_lines = n_lines
    c.label, c.stretches = label, stretches
    c.skip_from, c.skip_reason, c.note = skip_from, skip_reason, note
    c.park_lines = sorted(set(int(v) for v in m_owners[mpath.park]))
    c.vertices = (len(mi), len(ri))
    # Per line: the largest deviation and which side it was measured from.
    line_max = np.zeros(n_lines + 1)
    line_side = np.zeros(n_lines + 1, dtype=np.int64)
    for side, idx, dev, own in ((0, mi, dev_m, m_owners), (1, ri, dev_r, r_owners)):
        before = line_max.copy()
        np.maximum.at(line_max, own[idx], dev)
        line_side[line_max > before] = side
    c.line_max, c.line_side = line_max, line_side
    c.ends_r = ends_r
    c.states = rpath.states
    for st_index, st in enumerate(stretches):
        lines = np.nonzero(stretch_of == st_index)[0]
        if len(lines):
            k = lines[np.argmax(line_max[lines])]
            st.max_dev, st.max_line = float(line_max[k]), int(k)
    clean_m = dev_m[label[m_owners[mi]] == CLEAN]
    clean_r = dev_r[label[r_owners[ri]] == CLEAN]
    clean = np.concatenate([clean_m, clean_r])
    clean_lines = np.nonzero(label == CLEAN)[0]
    clean_lines = clean_lines[clean_lines > 0]
    c.compared = len(clean)
    if len(clean):
        k = clean_lines[np.argmax(line_max[clean_lines])]
        c.max_dev, c.max_line, c.max_side = float(line_max[k]), int(k), int(line_side[k])
        c.p99 = float(np.percentile(clean, 99))
    else:
        c.max_dev, c.max_line, c.max_side, c.p99 = 0.0, 0, 0, 0.0
    c.above = [int(l) for l in clean_lines if line_max[l] > threshold]
    c.above_all = [int(l) for l in range(1, n_lines + 1)
                   if line_max[l] > threshold and label[l] != SKIPPED]
    return c
