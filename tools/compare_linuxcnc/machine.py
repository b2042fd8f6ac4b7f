"""Tolvane's side: run tolvane-convert and replay its command file into the machine's path.

The machine knows "PA x,y;" (X and Y together, straight, at the current height),
"@ZA z;" (Z alone; the machine counts Z downwards, so program Z = -z / steps per mm),
"@HM;" (X and Y home to 0, Z kept) and lines that do not move (speeds, spindle, wait,
tool). A run starts at X0 Y0, 10 mm above the program's zero. "PA 0,1600;" right after
the fixed "VS 30.0" of M02/M30 is the program-end park."""

import os
import re
import subprocess
import tempfile

import numpy as np

_HEADER = re.compile(r"^OF X:\s*(-?\d+(?:\.\d*)?),\s*Y:\s*(-?\d+(?:\.\d*)?),\s*Z:\s*(-?\d+(?:\.\d*)?);")
# `FILE:LINE: ignored "GROUP": REASON`, the group's quotes and backslashes escaped.
_REPORT = re.compile(r':(\d+): ignored "((?:[^"\\]|\\.)*)"')

START_HEIGHT_MM = 10.0

# Lines that set speeds, the spindle, a wait or a tool: no motion.
_STILL = ("VS ", "@VS ", "@ZU ", "@ZD ", "@SS", "RVS ", "T: ", "@WT ")


class ConverterError(Exception):
    pass


class MachineRun:
    """The converter's output for one program."""

    def __init__(self, commands, line_map, reports, exit_code, reasons=None):
        self.commands = commands        # command lines, header included
        self.line_map = line_map        # per source line: first command index, or -1
        self.reports = reports          # list of (line number from 1, group text)
        self.exit_code = exit_code
        self.reasons = reasons or [""] * len(reports)   # the converter's reason of each


def run_converter(converter, program, settings=None, timeout=600):
    """Run tolvane-convert on a program; its reports are collected from standard error."""
    with tempfile.TemporaryDirectory(prefix="tolvane-fidelity-") as tmp:
        out = os.path.join(tmp, "out.Cbr")
        lmap = os.path.join(tmp, "out.map")
        cmd = [converter, "-o", out, "--line-map", lmap]
        if settings:
            cmd += ["--settings", settings]
        cmd += ["--", program]
        try:
            proc = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        except FileNotFoundError:
            raise ConverterError("converter not found: %s (build it, or give --converter)" % converter)
        except subprocess.TimeoutExpired:
            raise ConverterError("converter took more than %d s" % timeout)
        if proc.returncode not in (0, 3) or not os.path.exists(out):
            msg = proc.stderr.decode("latin-1", "replace").strip().splitlines()
            raise ConverterError("converter exit %d: %s" % (proc.returncode, msg[-1] if msg else ""))
        with open(out, "rb") as f:
            commands = f.read().decode("latin-1").split("\r\n")
        if commands and commands[-1] == "":
            commands.pop()
        with open(lmap) as f:
            line_map = [int(v) for v in f.read().split()]
    reports = []
    reasons = []
    for raw in proc.stderr.decode("latin-1", "replace").splitlines():
        m = _REPORT.search(raw)
        if m:
            reports.append((int(m.group(1)), m.group(2)))
            reasons.append(raw[m.end():].lstrip(": "))
    return MachineRun(commands, line_map, reports, proc.returncode, reasons)


def steps_per_mm(commands):
    """Steps per millimetre of X, Y, Z from the header line 'OF X: a, Y:b, Z:c;'."""
    m = _HEADER.match(commands[0]) if commands else None
    if not m:
        raise ConverterError("no 'OF X: .., Y:.., Z:..;' header in the command file")
    values = tuple(float(v) for v in m.groups())
    if any(v <= 0 for v in values):
        raise ConverterError("steps per millimetre must be positive: %s" % commands[0])
    return values


class MachinePath:
    """The replayed path: vertex i (in mm) is reached by the command line cmd_index[i];
    vertex 0 is the start. park[i] marks the program-end park."""

    def __init__(self, points, cmd_index, park, unknown):
        self.points = points
        self.cmd_index = cmd_index
        self.park = park
        self.unknown = unknown          # command lines not understood: list of (index, text)


def replay(commands):
    """Replay a command file (header first) into the machine's path in millimetres."""
    sx, sy, sz = steps_per_mm(commands)
    x, y, z = 0.0, 0.0, START_HEIGHT_MM
    pts = [(x, y, z)]
    idx = [-1]
    park = [False]
    unknown = []
    after_end_speed = False
    for i in range(4, len(commands)):
        line = commands[i]
        if line.startswith("PA "):
            body = line[3:].rstrip(";").split(",")
            try:
                nx, ny = int(body[0]), int(body[1])
            except (ValueError, IndexError):
                unknown.append((i, line))
                continue
            x, y = nx / sx, ny / sy
            is_park = after_end_speed and nx == 0 and ny == 1600
            after_end_speed = False
        elif line.startswith("@ZA "):
            try:
                nz = int(line[4:].rstrip(";"))
            except ValueError:
                unknown.append((i, line))
                continue
            z = -nz / sz
            is_park = after_end_speed = False
        elif line == "@HM;":
            x, y = 0.0, 0.0
            is_park = after_end_speed = False
        else:
            after_end_speed = line == "VS 30.0"
            if not line.startswith(_STILL):
                unknown.append((i, line))
            continue
        pts.append((x, y, z))
        idx.append(i)
        park.append(is_park)
    return MachinePath(np.array(pts, dtype=float), np.array(idx, dtype=np.int64),
                       np.array(park, dtype=bool), unknown)


def line_map_for_other_axes(converter, program, run, strip, settings=None, timeout=600):
    """The line map of a program with A/B/C/U/V/W words, whose lines are reported for
    those words and so have no entry in the run's own map (-1): the map of a copy
    without the words (strip: bytes to bytes), when that copy gives the same command
    file, as it should: the converter leaves those words out. Else the run's map."""
    with open(program, "rb") as f:
        data = f.read()
    with tempfile.TemporaryDirectory(prefix="tolvane-fidelity-") as tmp:
        copy = os.path.join(tmp, "xyz" + os.path.splitext(program)[1])
        with open(copy, "wb") as f:
            f.write(strip(data))
        xyz = run_converter(converter, copy, settings, timeout)
    return xyz.line_map if xyz.commands == run.commands else run.line_map


def command_owners(line_map, n_commands, moving_lines=()):
    """The source line (from 1) that wrote each command line; 0 for the header.

    Entry i of the line map is the first command of line i+1, or -1 when a word group
    of that line was reported. A command after the first command of known line k and
    before that of the next known line belongs to k or to one of the reported lines
    between them; it is given to the last of those lines that moves in LinuxCNC
    (moving_lines), else to k."""
    owners = np.zeros(n_commands, dtype=np.int64)
    moving = set(moving_lines)
    n = len(line_map)
    known = [i for i in range(n) if line_map[i] >= 0]
    # A line that wrote nothing has the entry of the next line: the last one owns it.
    for pos, i in enumerate(known):
        start = line_map[i]
        nxt = known[pos + 1] if pos + 1 < len(known) else n
        end = line_map[nxt] if nxt < n else n_commands
        if end <= start:
            continue
        owner = i + 1
        for cand in range(nxt, i + 1, -1):   # reported lines i+2 .. nxt (1-based)
            if cand in moving:
                owner = cand
                break
        owners[start:end] = owner
    # Reported lines before the first known line.
    if known and line_map[known[0]] > 4:
        first = known[0]
        owner = 1
        for cand in range(first, 0, -1):
            if cand in moving:
                owner = cand
                break
        owners[4:line_map[first]] = owner
    elif not known and n_commands > 4:
        owner = n
        for cand in range(n, 0, -1):
            if cand in moving:
                owner = cand
                break
        owners[4:] = owner
    return owners
