"""Source lines of a G-code program and the meaning of Tolvane's reports for the path."""

import re

# Lines end at CR LF, LF or a lone CR, as the converter reads them.
_LINE_END = re.compile(rb"\r\n|\n|\r")


def read_source_lines(path):
    """The program's lines as text (Latin-1, so that every byte survives)."""
    with open(path, "rb") as f:
        data = f.read()
    lines = _LINE_END.split(data)
    if lines and lines[-1] == b"" and (data.endswith(b"\n") or data.endswith(b"\r")):
        lines.pop()
    if data == b"":
        lines = []
    return [l.decode("latin-1") for l in lines]


def display(text, width=60):
    """One source line shortened for a report, control characters shown as '?'."""
    t = "".join(c if c.isprintable() else "?" for c in text.strip())
    return t if len(t) <= width else t[: width - 3] + "..."


_COMMENT = re.compile(r"\([^)]*\)?|;.*")
_CODE = re.compile(r"([GM])\s*([+-]?\d+(?:\.\d*)?)")


def codes_of(text):
    """The G and M codes of a line outside comments, normalised ("G01" -> "G1", "G91.1")."""
    clean = _COMMENT.sub("", text.upper())
    out = []
    for letter, number in _CODE.findall(clean):
        try:
            value = float(number)
        except ValueError:
            continue
        if value == int(value):
            out.append("%s%d" % (letter, int(value)))
        else:
            out.append("%s%s" % (letter, ("%.3f" % value).rstrip("0")))
    return out


def is_return_to_reference(text):
    """True when the line holds G28 or G30 (not G28.1 / G30.1, which only store a position)."""
    return any(c in ("G28", "G30") for c in codes_of(text))


# Codes the converter translates.
SUPPORTED = {
    "G0", "G1", "G2", "G3", "G4", "G17", "G18", "G19", "G20", "G21", "G28", "G30",
    "G70", "G71", "G73", "G80", "G81", "G82", "G83", "G90", "G91",
    "M2", "M3", "M5", "M6", "M30",
}

# Codes that Tolvane reports and leaves out but that do not move the tool elsewhere in
# LinuxCNC as this tool runs it (no work or tool offsets, a tool table of zero lengths
# and diameters): feed and spindle modes, coolant, pauses, path blending, offsets of
# zero, plane and distance modes that are Tolvane's own defaults.
PATH_NEUTRAL = {
    "G40", "G43", "G49", "G53", "G54", "G55", "G56", "G57", "G58", "G59",
    "G59.1", "G59.2", "G59.3", "G61", "G61.1", "G64", "G91.1", "G93", "G94", "G95",
    "G96", "G97", "G99",
    "M0", "M1", "M4", "M7", "M8", "M9", "M19", "M48", "M49", "M50", "M51", "M52",
    "M53", "M60", "M61", "M62", "M63", "M64", "M65", "M66", "M67", "M68",
    "M70", "M71", "M72", "M73",
}


ROTARY_LEFT_OUT = "A/B/C/U/V/W words left out"


def classify_group(group, supported=SUPPORTED):
    """What a reported word group means for the path.

    Returns (kind, label): kind "neutral" when leaving the group out cannot move the tool
    elsewhere (coolant, G94, an F, S or T word alone, an empty line), "changes" when
    LinuxCNC moves differently because of it (offsets, cutter compensation, other
    cycles, parameters, polar coordinates, subroutines), "refused" for a group of a
    translated code that the converter refused (a coordinate out of range, a number too
    long, an arc whose end is off its circle)."""
    g = group.upper()
    if "#" in g or "[" in g:
        return "changes", "parameters/expressions"
    if "@" in g or "^" in g:
        return "changes", "polar coordinates"
    if re.match(r"\s*O", g):
        # A program number alone (O0001) names the program; subroutines and loops move.
        if re.match(r"\s*O\s*\d+\s*(\(.*)?$", g):
            return "neutral", "program number"
        return "changes", "O-words"
    codes = codes_of(g)
    if has_rotary_words(g) and (not codes or codes[0] in supported):
        # Translated for X, Y and Z and reported for the other axes, which only
        # LinuxCNC moves: the X, Y, Z path stays comparable.
        return "neutral", ROTARY_LEFT_OUT
    if not codes:
        return "neutral", "words without a code"
    code = codes[0]
    if code in supported:
        return "refused", code
    if code in PATH_NEUTRAL or (code.startswith("M") and 100 <= float(code[1:]) <= 199):
        return "neutral", code
    return "changes", code


_ROTARY = re.compile(r"(?<![A-Z])[ABCUVW]\s*[+-]?[\d.]")


def has_rotary_words(text):
    """True when the line moves an axis other than X, Y, Z (A, B, C, U, V, W words)."""
    clean = _COMMENT.sub("", text.upper())
    return bool(_ROTARY.search(clean))


_ROTARY_WORD = re.compile(rb"(?<![A-Za-z])[ABCUVWabcuvw][ \t]*[+-]?[\d.]+")


def without_rotary_words(data):
    """The program's bytes without its A, B, C, U, V, W words (comments included)."""
    return _ROTARY_WORD.sub(b"", data)


_AXIS_WORD = re.compile(r"[XYZABCIJKR]\s*[+-]?[\d.]")


def may_move(group):
    """True when leaving this reported group out can put the tool elsewhere than
    LinuxCNC puts it: a code that changes the path, or coordinates that were lost with it."""
    kind, label = classify_group(group)
    if kind != "neutral":
        return True
    if label == ROTARY_LEFT_OUT:
        return False
    return bool(_AXIS_WORD.search(_COMMENT.sub("", group.upper())))


_OFFSETS = {170: "IJ", 180: "IK", 190: "JK"}
_PLANE_AXES = {170: (0, 1, 2), 180: (0, 2, 1), 190: (1, 2, 0)}
_PLANE_NAME = {170: "G17", 180: "G18", 190: "G19"}


def move_kind(text, mode, plane, start, end):
    """What kind of move a line is, as LinuxCNC ran it (for the verbose listing):
    mode and plane are LinuxCNC's motion mode and plane after the line (20 = G2,
    810 = G81, 170 = G17), start and end its position before and after the line."""
    if is_return_to_reference(text):
        return "G28/G30"
    clean = _COMMENT.sub("", text.upper())
    words = set(re.findall(r"([A-Z])\s*[+-]?[\d.]", clean))
    a, b, lin = _PLANE_AXES.get(plane, (0, 1, 2))
    moved = [abs(end[i] - start[i]) > 1e-6 for i in range(3)]
    if mode in (20, 30):
        helix = " helix" if moved[lin] else ""
        if "R" in words and not (words & set(_OFFSETS.get(plane, "IJ"))):
            return "R arc %s%s" % (_PLANE_NAME.get(plane, ""), helix)
        if not moved[a] and not moved[b]:
            return "full circle %s%s" % (_PLANE_NAME.get(plane, ""), helix)
        return "arc %s%s" % (_PLANE_NAME.get(plane, ""), helix)
    if 730 <= mode <= 890:
        code = "G%d" % (mode // 10)
        if any(c == code for c in codes_of(text)):
            return "cycle " + code
        return "cycle repeat" + ("" if words & {"Z", "R"} else " (no Z, R)")
    if moved[2] and (moved[0] or moved[1]):
        return "XYZ line"
    return "line"
