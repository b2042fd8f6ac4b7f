"""Text and Markdown output of the comparison."""

from collections import Counter

from . import measure, reference, source

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

    @property
    def supported(self):
        return not self.support_notes

    def text_of(self, line):
        return source.display(self.texts[line - 1]) if 0 < line <= len(self.texts) else ""


def support_notes(reports, texts, rpath):
    """Why a program is not one whose codes Tolvane supports (empty list: it is)."""
    notes = Counter()
    for _, group in reports:
        kind, what = source.classify_group(group)
        if kind == "changes":
            notes[what] += 1
        elif kind == "refused":
            notes["refused %s group" % what] += 1
    if any(source.has_rotary_words(t) for t in texts):
        notes["A/B/C/U/V/W axis words (only X, Y, Z compared)"] += 1
    out = ["%s x%d" % (k, v) if v > 1 else k for k, v in sorted(notes.items())]
    if rpath is not None and rpath.error and rpath.last_line <= len(texts) \
            and reference.NO_PROGRAM_END not in rpath.error:
        out.append("LinuxCNC refuses line %d" % rpath.last_line)
    return out


def neutral_reports(reports):
    c = Counter()
    for _, group in reports:
        kind, what = source.classify_group(group)
        if kind == "neutral":
            c[what if what != "words without a code" else "lines without a code"] += 1
    return c


def _ranges(lines):
    """[1,2,3,7] -> '1-3, 7'."""
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


def not_compared(res):
    c = res.comparison
    items = []
    if c.park_lines:
        items.append("program-end park (line %s)" % _ranges(c.park_lines))
    if c.skip_from <= c.n_lines:
        what = c.skip_reason
        items.append("lines %d-%d: %s" % (c.skip_from, c.n_lines, what)
                     if c.skip_from < c.n_lines else "line %d: %s" % (c.skip_from, what))
    return items


def _stretch_groups(stretches, kind):
    return [s for s in stretches if s.kind == kind and s.max_dev > 0]


def print_text(res, threshold, verbose, out):
    w = out.write
    w("== %s" % res.name)
    if res.failure:
        w(": not compared: %s\n" % res.failure)
        return
    c = res.comparison
    w(" (%d lines, %.1f s)\n" % (res.lines, res.seconds))
    w("  supported: %s\n" % ("yes" if res.supported else "no: " + "; ".join(res.support_notes)))
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
        for s in _stretch_groups(c.stretches, kind):
            span = "line %d" % s.first if s.last == s.first else "lines %d-%d" % (s.first, s.last)
            reason = s.reason if kind == measure.DELIBERATE else "reported " + ", ".join(
                '"%s"' % g for g in s.reason)
            w("  %s: %s, %s: up to %.3f mm at line %d: %s\n" % (
                title, span, reason, s.max_dev, s.max_line, res.text_of(s.max_line)))
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
            w("    line %d [%s] %.3f mm (%s): %s\n" % (
                l, measure.LABEL_NAMES[int(c.label[l])], c.line_max[l], ("Tolvane", "LinuxCNC")[c.line_side[l]],
                res.text_of(l)))


MD_HEADER = ("| Program | Lines | Codes supported | Largest deviation (mm) | at line | p99 (mm) "
             "| Lines > %s mm | Deliberate, shown apart | After a report, shown apart | Not compared |\n"
             "|---|---:|---|---:|---|---:|---:|---|---|---|\n")


def _md(text):
    return text.replace("|", "\\|").replace("`", "'")


def _stretch_summary(stretches, kind):
    ss = _stretch_groups(stretches, kind)
    if not ss:
        return ""
    worst = max(ss, key=lambda s: s.max_dev)
    if kind == measure.DELIBERATE:
        reasons = sorted(set(s.reason.split(" ")[0] for s in ss))
        what = "/".join(reasons)
    else:
        what = ", ".join(sorted(set(g for s in ss for g in s.reason)))[:60]
    return "%d x (%s), up to %.2f (l. %d)" % (len(ss), _md(what), worst.max_dev, worst.max_line)


def markdown_row(res, threshold):
    if res.failure:
        return "| `%s` | %d | | | | | | | | %s |\n" % (res.name, res.lines, _md(res.failure))
    c = res.comparison
    sup = "yes" if res.supported else "no: " + _md("; ".join(res.support_notes))
    line = "%d `%s`" % (c.max_line, _md(res.text_of(c.max_line)[:40])) if c.compared else ""
    nc = "; ".join(_md(i) for i in not_compared(res))
    return "| `%s` | %d | %s | %.3f | %s | %.3f | %d | %s | %s | %s |\n" % (
        res.name, res.lines, sup, c.max_dev, line, c.p99, len(c.above),
        _stretch_summary(c.stretches, measure.DELIBERATE),
        _stretch_summary(c.stretches, measure.REPORTED), nc)
