"""LinuxCNC's side: its interpreter (the Python gcode module of linuxcnc-uspace) run on
the program, the moves it sends to the canon turned into a path in millimetres.

The interpreter runs in a child process (this module started as a script), so that a
program it cannot digest, or a crash inside the module, costs only that program.

Start state, chosen to match a Tolvane run: millimetres, absolute, XY plane, feed per
minute, motion mode G0, the tool at X0 Y0 Z10 (10 mm above the program's zero, where
Tolvane's run starts), a feed of 312 mm/min (Tolvane's 5.2 mm/s before any F word).
Work offsets (G54..G59.3, G92) are zero, tools 1 to 1000 are in the table with zero
length and diameter, and the G28 and G30 positions are X0 Y0 Z10, the start point. Arcs are cut
into chords that stay within a given distance of the arc (0.001 mm by default), so that
LinuxCNC's own chords add nothing measurable."""

import json
import math
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

INCH = 25.4
UNIT_CODE = "G21"
INIT_CODE = "G17 G90 G94 G0 X0 Y0 Z10 F312"
REFERENCE_POSITIONS = "5161 0\n5162 0\n5163 10\n5181 0\n5182 0\n5183 10\n"


NO_PROGRAM_END = "File ended with no percent sign or program end"


class ReferencePath:
    def __init__(self, points, owners, result, last_line, error, states):
        self.points = points        # (n, 3) mm; vertex 0 is the start
        self.owners = owners        # source line of the move that ends at each vertex (0: start)
        self.result = result        # interpreter result code
        self.last_line = last_line  # last line the interpreter reached
        self.error = error          # its message when it stopped on an error, else ""
        self.states = states        # {line: (motion mode, plane, retract mode, cutter side)}
                                    # after each line, in LinuxCNC's numbers (810 = G81)


def _segment_count(radius_in, sweep, tolerance_in):
    """Chords per half turn for gcode.arc_to_segments, so that each chord stays within
    the tolerance of the arc."""
    if radius_in <= tolerance_in:
        return 2
    step = 2.0 * math.acos(1.0 - tolerance_in / radius_in)
    return max(2, min(200000, int(math.ceil(math.pi / step))))


TOOLS = 1000


def _fill_tool_table(home):
    """Give the interpreter a tool table: tools 1..TOOLS in pockets of the same number,
    zero length offsets and diameters.

    LinuxCNC's interpreter finds tools in a memory-mapped file that the running machine
    controller normally creates ($HOME/.tool.mmap); without it the first T word or G43
    crashes the module. The file is made here, in a private HOME, through the library
    the module itself uses."""
    import ctypes

    os.environ["HOME"] = home
    lib = ctypes.CDLL("libtooldata.so.0")

    class Pose(ctypes.Structure):
        _fields_ = [(n, ctypes.c_double) for n in "xyzabcuvw"]

    class ToolEntry(ctypes.Structure):       # CANON_TOOL_TABLE
        _fields_ = [("toolno", ctypes.c_int), ("pocketno", ctypes.c_int), ("offset", Pose),
                    ("diameter", ctypes.c_double), ("frontangle", ctypes.c_double),
                    ("backangle", ctypes.c_double), ("orientation", ctypes.c_int)]

    status = ctypes.create_string_buffer(1 << 20)   # the controller's tool status: unused here
    if lib._Z17tool_mmap_creatorPK13EMC_TOOL_STATi(status, 0) != 0:
        raise RuntimeError("cannot create LinuxCNC's tool table file")
    put = lib._Z12tooldata_put16CANON_TOOL_TABLEi
    for i in range(TOOLS + 1):
        put(ToolEntry(toolno=(i if i else -1), pocketno=i), i)
    lib._Z23tooldata_last_index_seti(TOOLS)
    return status


def _canon_class():
    import gcode
    from rs274.interpret import Translated

    class Canon(Translated):
        """Collects the interpreter's moves (positions arrive in inches)."""

        def __init__(self, parameter_file, tolerance_mm):
            self.parameter_file = parameter_file
            self.tolerance_in = tolerance_mm / INCH
            self.rotation_cos, self.rotation_sin = 1.0, 0.0
            self.plane = 1
            self.lo = (0.0, 0.0, 10.0 / INCH, 0, 0, 0, 0, 0, 0)
            self.raw = self.module_raw = (0.0,) * 9
            self.shift = [0.0] * 9
            self.incremental = False
            self.points = [self.lo[:3]]
            self.owners = [0]
            self.line = 0
            self.states = {}

        # Settings the interpreter asks for.
        def get_external_length_units(self): return 1.0
        def get_external_angular_units(self): return 1.0
        def get_axis_mask(self): return 0x1FF       # accept every axis word
        def get_block_delete(self): return False
        def get_tool(self, pocket): return (pocket,) + (0.0,) * 12 + (0,)
        def check_abort(self): return False

        def next_line(self, st):
            if self.line > 0:
                self.states[self.line] = (st.motion_mode, st.plane, st.retract_mode, st.cutter_side)
            self.line = st.sequence_number
            self.state = st

        def set_plane(self, plane): self.plane = plane

        # The module keeps its own copy of the position for the interpreter, which
        # follows straight moves but not arcs; after a tool change (M6, M61) the
        # interpreter takes its position from that copy, and the next block starts
        # from where the last straight move ended instead of where the arc did. A
        # real controller reports its true position there, so moves after such a
        # tool change are put back on the true position: an axis the block leaves
        # alone stays where the tool is, every axis in incremental mode is shifted.
        # `raw` is the interpreter's own position (untranslated canon values),
        # `module_raw` the module's copy, `shift` what the true position differs by.

        def _to(self, p):
            p = tuple(p)
            if p[:3] != self.lo[:3]:
                self.points.append(p[:3])
                self.owners.append(self.line)
            self.lo = p

        def _true_raw(self, a):
            a = list(a)
            if any(self.shift):
                incremental = self.incremental
                for i in range(9):
                    if not self.shift[i]:
                        continue
                    if incremental or abs(a[i] - self.raw[i]) < 1e-12:
                        a[i] += self.shift[i]
                    else:
                        self.shift[i] = 0.0       # the block set this axis itself
            return a

        def _straight(self, a):
            true = self._true_raw(a)
            self.raw = self.module_raw = tuple(a)
            self._to(self.rotate_and_translate(*true))

        def straight_traverse(self, *a): self._straight(a)
        def straight_feed(self, *a): self._straight(a)
        straight_probe = straight_feed

        def comment(self, text):
            # The interpreter announces its distance mode as it changes, before the
            # moves of the block.
            if text.startswith("interpreter: distance mode changed to"):
                self.incremental = text.endswith("incremental")

        def change_tool(self, *a):
            true = self.raw_true()
            self.raw = self.module_raw
            self.shift = [t - m for t, m in zip(true, self.module_raw)]

        def raw_true(self):
            return tuple(r + s for r, s in zip(self.raw, self.shift))

        def rigid_tap(self, x, y, z):
            here = self.lo
            bottom = self.rotate_and_translate(x, y, z, 0, 0, 0, 0, 0, 0)[:3] + tuple(here[3:])
            self._to(bottom)
            self._to(here)

        def arc_feed(self, x1, y1, cx, cy, rot, z1, a, b, c, u, v, w):
            r = math.hypot(x1 - cx, y1 - cy)
            n = _segment_count(r, 0, self.tolerance_in)
            end = {1: (x1, y1, z1), 2: (z1, x1, y1), 3: (y1, z1, x1)}.get(self.plane, (x1, y1, z1))
            self.raw = tuple(end) + (a, b, c, u, v, w)
            dx, dy, dz = self.shift[:3]
            for p in gcode.arc_to_segments(self, x1, y1, cx, cy, rot, z1, a, b, c, u, v, w, n):
                # An arc right after a resynchronised tool change: moved as a whole.
                self._to((p[0] + dx, p[1] + dy, p[2] + dz) + tuple(p[3:]))

        def __getattr__(self, name):
            if os.environ.get("TOLVANE_LCNC_TRACE"):
                sys.stderr.write("callback %s\n" % name)
            # Every other callback (speeds, coolant, dwell, comments, offsets of tools)
            # does not move the tool.
            if name.startswith("__"):
                raise AttributeError(name)
            return lambda *a, **k: None

    return gcode, Canon


def interpret(program, tolerance_mm):
    """Run the interpreter in this process; returns a ReferencePath."""
    gcode, Canon = _canon_class()
    with tempfile.TemporaryDirectory(prefix="tolvane-lcnc-") as tmp:
        var = os.path.join(tmp, "linuxcnc.var")
        with open(var, "w") as f:
            f.write(REFERENCE_POSITIONS)
        canon = Canon(var, tolerance_mm)
        error = ""
        try:
            result, last = gcode.parse(program, canon, UNIT_CODE, INIT_CODE)
        except Exception as e:         # a callback failed, or the module gave up
            result, last = 99, canon.line
            error = "interpreter stopped: %s" % e
        if canon.line > 0 and hasattr(canon, "state"):
            st = canon.state
            canon.states.setdefault(canon.line, (st.motion_mode, st.plane, st.retract_mode, st.cutter_side))
        if result > gcode.MIN_ERROR and not error:
            error = gcode.strerror(result)
        if result > gcode.MIN_ERROR and canon.line < last:
            # A line refused while it was read, before it ran: the interpreter then
            # names the line after it.
            last -= 1
    pts = np.array(canon.points, dtype=float) * INCH
    return ReferencePath(pts, np.array(canon.owners, dtype=np.int64), result, last, error, canon.states)


# LinuxCNC refuses some lines that other controls, and Tolvane, read without a fault
# of the path. Such a line is mended in a copy of the program (one line for one line,
# so the numbers stay) and the interpreter runs again; each mend is reported.
_LEAD = re.compile(r"^(\s*/?\s*(?:[Nn]\s*\d+\s*)?)")
_COMMENT_START = re.compile(r"[(;]")


def _insert(line, words):
    m = _LEAD.match(line)
    return line[:m.end()] + words + " " + line[m.end():]


def _drop_word(line, letter):
    cut = _COMMENT_START.search(line)
    head, tail = (line[:cut.start()], line[cut.start():]) if cut else (line, "")
    return re.sub(r"[%s%s]\s*[+-]?\s*(\d+\.?\d*|\.\d+)" % (letter, letter.lower()), "", head) + tail


def _mend(lines, error, at):
    """Mend the lines for one refusal at line `at` (from 1). Returns a note, or None
    when the refusal is a fault of the program itself."""
    i = at - 1
    if not (0 <= i < len(lines)):
        return None
    text = lines[i]
    if "Cannot use axis values without a g code that uses them" in error:
        # After G80 this control, like Fanuc-style controls, keeps moving at rapid.
        lines[i] = _insert(text, "G0")
        return "line %d: G0 added (coordinates after G80)" % at
    if "zero feed rate" in error:
        # The feed is not part of the path; a G94 or G93 in the program zeroes it.
        lines[i] = _insert(text, "F312")
        return "line %d: F312 added (zero feed rate)" % at
    m = re.search(r"([IJK]) word given for arc in (\w+) plane", error)
    if m:
        # The offset that does not belong to the plane (K0 in G17 from some posts).
        letter = m.group(1)
        targets = [i]
        if not any(re.search(r"G\s*0*1[89](?![\d.])", l, re.I) for l in lines):
            targets = [j for j, l in enumerate(lines) if _drop_word(l, letter) != l]
        for j in targets:
            lines[j] = _drop_word(lines[j], letter)
        return "%s: %s word removed (%s plane)" % (
            "line %d" % at if len(targets) == 1 else "%d lines" % len(targets), letter, m.group(2))
    if text.lstrip().startswith("$"):
        # grbl's own commands ($H homing, $X unlock) are not G-code.
        count = 0
        for j, l in enumerate(lines):
            if l.lstrip().startswith("$"):
                lines[j] = "(" + l.replace("(", " ").replace(")", " ").rstrip("\r\n") + ")" + l[len(l.rstrip("\r\n")):]
                count += 1
        return "%d grbl '$' line(s) made comments" % count
    return None


def run_reference(program, tolerance_mm=0.001, timeout=900, max_mends=40):
    """Run the interpreter on a program in a child process, mending lines it refuses
    for reasons that are not a fault of the path. Returns (path or None, why, mends)."""
    mends = []
    lines = None
    with tempfile.TemporaryDirectory(prefix="tolvane-lcnc-copy-") as tmp:
        current = program
        for _ in range(max_mends + 1):
            path, why = _run_once(current, tolerance_mm, timeout)
            if path is None or not path.error or NO_PROGRAM_END in path.error \
                    or len(mends) >= max_mends:
                return path, why, mends
            if lines is None:
                with open(program, "rb") as f:
                    lines = f.read().decode("latin-1").splitlines(keepends=True)
            note = _mend(lines, path.error, path.last_line)
            if note is None or note in mends:
                return path, why, mends
            mends.append(note)
            current = os.path.join(tmp, os.path.basename(program))
            with open(current, "wb") as f:
                f.write("".join(lines).encode("latin-1"))
    return path, why, mends


def _run_once(program, tolerance_mm, timeout):
    """Run the interpreter on a program in a child process."""
    with tempfile.TemporaryDirectory(prefix="tolvane-lcnc-out-") as tmp:
        out = os.path.join(tmp, "path.npz")
        cmd = [sys.executable, os.path.abspath(__file__), program, out, repr(tolerance_mm)]
        try:
            proc = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, "LinuxCNC's interpreter took more than %d s" % timeout
        if proc.returncode != 0 or not os.path.exists(out):
            tail = proc.stderr.decode("latin-1", "replace").strip().splitlines()
            why = tail[-1] if tail else "exit %d" % proc.returncode
            if proc.returncode < 0:
                why = "the interpreter crashed (signal %d)" % -proc.returncode
            return None, why
        with np.load(out, allow_pickle=False) as d:
            meta = json.loads(str(d["meta"]))
            states = {int(k): tuple(v) for k, v in meta["states"].items()}
            return ReferencePath(d["points"], d["owners"], meta["result"], meta["last_line"],
                                 meta["error"], states), ""


def _worker(program, out, tolerance):
    # The module prints progress and notes on standard output and error; keep them out
    # of the way of the report that the parent prints.
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    with tempfile.TemporaryDirectory(prefix="tolvane-lcnc-home-") as home:
        keep = _fill_tool_table(home)
        path = interpret(program, tolerance)
        del keep
    meta = {"result": int(path.result), "last_line": int(path.last_line), "error": path.error,
            "states": {str(k): [int(x) for x in v] for k, v in path.states.items()}}
    np.savez(out, points=path.points, owners=path.owners, meta=np.array(json.dumps(meta)))


if __name__ == "__main__":
    _worker(sys.argv[1], sys.argv[2], float(sys.argv[3]))
