"""Text and Markdown output of the comparison."""

from collections import Counter

from . import measure, pecks, source

SIDES = ("Tolvane's vertex off LinuxCNC's path", "LinuxCNC's vertex off Tolvane's path")


class ProgramResult:
    """Everything printed about one program."""

    def __init__(self, name):
        self.name = name
        self.failure = ""          # why it could not be compared at all
        self.lines = 0
        self.texts = []
        self.comparison = None
        self.support_notes = []    # why the program is not fully supported
        self.neutral = Counter()   # reported groups that cannot move the tool
        self.unknown_commands = []
        self.mends = []            # lines LinuxCNC read from a mended copy
        self.seconds = 0.0
        self.drill_lines = 0       # drilling lines whose depths were compared
        self.depth_diffs = []      # (line, Tolvane's depths, LinuxCNC's) that differ
        self.boxes = (0, 0)        # reports that change the part, reports without effect

    @property
    def supported(self):
        return not self.support_notes

    def text_of(self, line):
        return source.display(self.texts[line - 1]) if 0 < line <= len(self.texts) else ""


def support_notes(reports, texts):
    """Why a program is not one whose codes Tolvane supports (empty list: it is): codes
    it reports that change the path, parameters, subroutines, other axes."""
    notes = Counter()
    for _, group in reports:
        kind, what = source.classify_group(group)
        if kind == "changes":
            notes[what] += 1
        elif kind == "refused":
            notes["refused %s group" % what] += 1
    if any(source.has_rotary_words(t) for t in texts):
        notes["A/B/C/U/V/W axis words (only X, Y, Z compared)"] += 1
    return ["%s x%d" % (k, v) if v > 1 else k for k, v in sorted(notes.items())]


# Reasons that mean the part differs whatever the group's text: a line refused whole,
# coordinates that are not moved after a motion code that is not translated.
CHANGING_REASONS = ("two codes of one modal group", "axis words with both",
                    "continues an untranslated motion code")


def box_counts(reports, reasons=None):
    """The report boxes a user meets: (those whose group changes the part, those
    without effect on it)."""
    reasons = reasons or [""] * len(reports)
    harmless = sum(1 for (_, group), why in zip(reports, reasons)
                   if source.classify_group(group)[0] == "neutral"
                   and not why.startswith(CHANGING_REASONS))
    return len(reports) - harmless, harmless


def neutral_reports(reports):
    c = Counter()
    for _, group in reports:
        kind, what = source.classify_group(group)
        if kind == "neutral":
            c[what if what != "words without a code" else "lines without a code"] += 1
    return c


def _stretch_causes(stretches, kind, threshold):
    """Stretches of one kind grouped by cause (the deliberate reason, or the reported line)."""
    groups = {}
    for s in stretches:
        if s.kind != kind or s.max_dev <= threshold:
            continue
        key = s.reason if kind == measure.DELIBERATE else s.cause
        g = groups.setdefault(key, {"reason": s.reason, "cause": s.cause, "lines": [],
                                    "max_dev": -1.0, "max_line": 0})
        g["lines"].append((s.first, s.last))
        if s.max_dev > g["max_dev"]:
            g["max_dev"], g["max_line"] = s.max_dev, s.max_line
    return list(groups.values())


def _spans(pairs):
    return ", ".join("%d" % a if a == b else "%d-%d" % (a, b) for a, b in pairs)


def _ranges(lines):
    """[1,2,3,7] -> '1-3, 7'; a list of (first, last) pairs is joined as it is."""
    if lines and isinstance(lines[0], tuple):
        return _spans(lines)
    out = []
    start = prev = None
    for l in lines:
        if start is None:
            start = prev = l
        elif l == prev + 1:
            prev = l
        else:
            out.append("%d" % start if start == prev else "%d-%d" % (start, prev))
            start = prev = l
    if start is not None:
        out.append("%d" % start if start == prev else "%d-%d" % (start, prev))
    return ", ".join(out)


def not_compared(res, short=False):
    c = res.comparison
    items = []
    if c.park_lines:
        items.append(("park l. %s" if short else "program-end park (line %s)") % _ranges(c.park_lines))
    if c.skip_from <= c.n_lines:
        span = ("l. %d" % c.skip_from if c.skip_from == c.n_lines else "l. %d-%d" % (c.skip_from, c.n_lines)) \
            if short else ("line %d" % c.skip_from if c.skip_from == c.n_lines
                           else "lines %d-%d" % (c.skip_from, c.n_lines))
        if short:
            what = "after the end" if not res.comparison.skip_reason.startswith("LinuxCNC stops") \
                else "LinuxCNC refuses: " + res.comparison.skip_reason.split(": ")[1]
        else:
            what = c.skip_reason
        items.append("%s: %s" % (span, what))
    return items


def print_text(res, threshold, verbose, out):
    w = out.write
    w("== %s" % res.name)
    if res.failure:
        w(": not compared: %s\n" % res.failure)
        return
    c = res.comparison
    w(" (%d lines, %.1f s)\n" % (res.lines, res.seconds))
    w("  supported: %s\n" % ("yes" if res.supported else "no: " + "; ".join(res.support_notes)))
    w("  report boxes: %d that change the part, %d without effect\n" % res.boxes)
    if res.neutral:
        w("  reported, no effect on the path: %s\n" % ", ".join(
            "%s x%d" % (k, v) if v > 1 else k for k, v in sorted(res.neutral.items())))
    if c.compared:
        w("  largest deviation %.3f mm at line %d (%s): %s\n" % (
            c.max_dev, c.max_line, SIDES[c.max_side], res.text_of(c.max_line)))
        w("  99th percentile %.3f mm over %d vertices; %d compared line(s) above %.3g mm\n" % (
            c.p99, c.compared, len(c.above), threshold))
    else:
        w("  nothing compared\n")
    for kind, title in ((measure.DELIBERATE, "deliberate"), (measure.REPORTED, "after a report")):
        for g in _stretch_causes(c.stretches, kind, threshold):
            span = "lines " + _ranges(g["lines"]) if len(g["lines"]) <= 4 else \
                "%d stretches in lines %d-%d" % (len(g["lines"]), g["lines"][0][0], g["lines"][-1][1])
            if kind == measure.DELIBERATE:
                why = g["reason"]
            else:
                why = "line %d reported %s" % (g["cause"], ", ".join('"%s"' % x for x in g["reason"]))
            w("  %s: %s: %s: up to %.3f mm at line %d: %s\n" % (
                title, why, span, g["max_dev"], g["max_line"], res.text_of(g["max_line"])))
    if res.drill_lines:
        w("  drilling depths: %d line(s) compared, %d differ%s\n" % (
            res.drill_lines, len(res.depth_diffs),
            ": " + _ranges([d[0] for d in res.depth_diffs]) if res.depth_diffs else ""))
        for l, mine, theirs in res.depth_diffs[:None if verbose else 5]:
            w("    line %d: Tolvane feeds to %s; LinuxCNC to %s: %s\n" % (
                l, pecks.describe(mine), pecks.describe(theirs), res.text_of(l)))
    for item in not_compared(res):
        w("  not compared: %s\n" % item)
    if c.note:
        w("  note: %s\n" % c.note)
    if res.mends:
        w("  LinuxCNC read a mended copy: %s\n" % "; ".join(res.mends))
    if res.unknown_commands:
        w("  command lines that do not move and are not known: %d, first %r\n" % (
            len(res.unknown_commands), res.unknown_commands[0][1]))
    if verbose:
        for l in c.above_all:
            mode, plane = c.states.get(l, (0, 170, 0, 0))[:2]
            kind = source.move_kind(res.texts[l - 1] if l <= len(res.texts) else "", mode, plane,
                                    c.ends_r[l - 1], c.ends_r[l])
            w("    line %d [%s] %.3f mm (%s, %s): %s\n" % (
                l, measure.LABEL_NAMES[int(c.label[l])], c.line_max[l],
                ("Tolvane", "LinuxCNC")[c.line_side[l]], kind, res.text_of(l)))


MD_HEADER = ("| Program | Lines | Codes supported | Largest deviation (mm) | at line | p99 (mm) "
             "| Lines > %s mm | Deliberate, shown apart | After a report, shown apart | Not compared "
             "| Drilling depths differ | Boxes (change / no effect) |\n"
             "|---|---:|---|---:|---|---:|---:|---|---|---|---|---|\n")


def _md(text):
    return text.replace("|", "\\|").replace("`", "'")


def _stretch_summary(stretches, kind, threshold):
    groups = _stretch_causes(stretches, kind, threshold)
    if not groups:
        return ""
    worst = max(groups, key=lambda g: g["max_dev"])
    if kind == measure.DELIBERATE:
        what = "/".join(sorted(set(g["reason"].split(" ")[0] for g in groups)))
    else:
        codes = []
        for g in groups:
            for grp in g["reason"]:
                label = source.classify_group(grp)[1]
                if label not in codes:
                    codes.append(label)
        what = ", ".join(codes)
    return "%s: %.2f (l. %d)" % (_md(what), worst["max_dev"], worst["max_line"])


def markdown_row(res, threshold):
    if res.failure:
        return "| `%s` | %d | | | | | | | | %s | | |\n" % (res.name, res.lines, _md(res.failure))
    c = res.comparison
    sup = "yes" if res.supported else "no: " + _md("; ".join(res.support_notes))
    line = "%d `%s`" % (c.max_line, _md(res.text_of(c.max_line)[:40])) if c.max_dev > 0 else ""
    largest = "%.3f" % c.max_dev if c.compared else "-"
    p99 = "%.3f" % c.p99 if c.compared else "-"
    nc = "; ".join(_md(i) for i in not_compared(res, short=True))
    drills = ""
    if res.drill_lines:
        drills = "%d of %d" % (len(res.depth_diffs), res.drill_lines)
        if res.depth_diffs:
            drills += " (l. %s)" % _ranges([d[0] for d in res.depth_diffs][:20])
    return "| `%s` | %d | %s | %s | %s | %s | %d | %s | %s | %s | %s | %d / %d |\n" % (
        res.name, res.lines, sup, largest, line, p99, len(c.above),
        _stretch_summary(c.stretches, measure.DELIBERATE, threshold),
        _stretch_summary(c.stretches, measure.REPORTED, threshold), nc, drills,
        res.boxes[0], res.boxes[1])
