"""Word order: the words of a line mean the same in any order (RS274NGC's order of
execution), so a program whose lines have their words shuffled must give the same path.

shuffle_program writes such a copy: on every line the words are put in another order,
the block number N (and a block delete "/") first, comments kept at the end of the line.
Lines with parameters, expressions, O-words or anything that is not a plain sequence of
words stay as they are. compare() then measures the converter's paths of the two
programs against each other, and LinuxCNC's, so that a shuffle that changed the
program's meaning is told apart from a converter that depends on the order."""

import random
import re

import numpy as np

_COMMENTS = re.compile(r"\([^)]*\)|\([^)]*$|;.*$")
_WORD = re.compile(r"\s*([A-Za-z])\s*([+-]?(?:\d+\.?\d*|\.\d+))\s*")


def shuffle_line(text, rng):
    """The line with its words in another order; None when it is left as it is."""
    if "%" in text:
        return None
    comments = "".join(m.group(0) for m in _COMMENTS.finditer(text))
    body = _COMMENTS.sub(" ", text)
    lead = ""
    stripped = body.lstrip()
    if stripped.startswith("/"):
        lead, stripped = "/", stripped[1:]
    words = []
    pos = 0
    while pos < len(stripped):
        m = _WORD.match(stripped, pos)
        if not m or m.end() == pos:
            if stripped[pos:].strip() == "":
                break
            return None
        words.append(m.group(1) + m.group(2))
        pos = m.end()
    if words and words[0][0] in "Nn":
        lead += words.pop(0) + " "
    if len(words) < 2 or any(w[0] in "Oo" for w in words):
        return None
    order = list(range(len(words)))
    for _ in range(4):              # another order than the written one, when one exists
        rng.shuffle(order)
        if order != sorted(order) or len(set(words)) == 1:
            break
    shuffled = lead + " ".join(words[i] for i in order)
    return shuffled + (" " + comments if comments else "")


def shuffle_program(texts, seed):
    """Shuffled lines and how many of them differ from the original."""
    rng = random.Random(seed)
    out = []
    changed = 0
    for t in texts:
        s = shuffle_line(t, rng)
        if s is None:
            out.append(t)
        else:
            out.append(s)
            changed += 1
    return out, changed


class WordOrderResult:
    def __init__(self, name):
        self.name = name
        self.failure = None
        self.lines = 0
        self.shuffled = 0
        self.same_commands = False
        self.max_dev = 0.0              # mm, converter: shuffled against written order
        self.at_line = None
        self.reference_dev = None       # mm, LinuxCNC: shuffled against written order
        self.reports = (0, 0)           # converter reports: written, shuffled


def path_deviation(a_points, a_lines, b_points):
    """Largest distance of a vertex of path a from path b (as polylines), and the source
    line of that vertex."""
    if len(a_points) == 0 or len(b_points) == 0:
        return 0.0, None
    if len(b_points) == 1:
        d = np.linalg.norm(a_points - b_points[0], axis=1)
    else:
        a0 = b_points[:-1]
        ab = b_points[1:] - a0
        length2 = np.einsum("ij,ij->i", ab, ab)
        length2[length2 == 0] = 1.0
        d = np.empty(len(a_points))
        for k in range(0, len(a_points), 512):
            p = a_points[k:k + 512, None, :]
            t = np.clip(np.einsum("pij,ij->pi", p - a0[None], ab) / length2, 0.0, 1.0)
            nearest = a0[None] + t[..., None] * ab[None]
            d[k:k + 512] = np.linalg.norm(p - nearest, axis=2).min(axis=1)
    i = int(np.argmax(d))
    return float(d[i]), (int(a_lines[i]) if a_lines is not None else None)


def within_budget(a, b, budget=4_000_000):
    return len(a) * max(len(b), 1) <= budget


def compare(path, name, opts, machine, reference, source):
    """Converter and LinuxCNC on the program as written and with its words shuffled."""
    import os
    import tempfile
    res = WordOrderResult(name)
    try:
        texts = source.read_source_lines(path)
    except OSError as e:
        res.failure = "cannot read: %s" % e.strerror
        return res
    res.lines = len(texts)
    shuffled, res.shuffled = shuffle_program(texts, name)
    with tempfile.TemporaryDirectory(prefix="tolvane-word-order-") as tmp:
        copy = os.path.join(tmp, "shuffled" + os.path.splitext(path)[1])
        with open(copy, "wb") as f:
            f.write("".join(t + "\n" for t in shuffled).encode("latin-1"))
        try:
            written = machine.run_converter(opts.converter, path, opts.settings, opts.timeout)
            mixed = machine.run_converter(opts.converter, copy, opts.settings, opts.timeout)
        except machine.ConverterError as e:
            res.failure = str(e)
            return res
        res.reports = (len(written.reports), len(mixed.reports))
        res.same_commands = written.commands == mixed.commands
        if not res.same_commands:
            a = machine.replay(mixed.commands)
            b = machine.replay(written.commands)
            owners = machine.command_owners(mixed.line_map, len(mixed.commands))
            lines = owners[a.cmd_index.clip(0)]
            if within_budget(a.points, b.points):
                d1, l1 = path_deviation(a.points, lines, b.points)
                d2, _ = path_deviation(b.points, None, a.points)
                res.max_dev, res.at_line = (d1, l1) if d1 >= d2 else (d2, l1)
            else:
                res.max_dev = float("inf")
            if res.at_line is None or res.max_dev == 0.0:
                # The same path, other command lines (speeds, spindle): the first that differs.
                for i, (x, y) in enumerate(zip(mixed.commands, written.commands)):
                    if x != y:
                        owner = owners[i] if i < len(owners) else 0
                        res.at_line = int(owner)
                        break
        if opts.word_order_reference:
            r_written, why, _ = reference.run_reference(path, opts.arc_tolerance, opts.timeout)
            r_mixed, why2, _ = reference.run_reference(copy, opts.arc_tolerance, opts.timeout)
            if r_written is not None and r_mixed is not None and \
                    within_budget(r_mixed.points, r_written.points):
                d1, _ = path_deviation(r_mixed.points, None, r_written.points)
                d2, _ = path_deviation(r_written.points, None, r_mixed.points)
                res.reference_dev = max(d1, d2)
    return res


MD_HEADER = ("| Program | Lines | Shuffled | Command file | Deviation (mm) | At line | "
             "LinuxCNC deviation (mm) | Reports written / shuffled |\n"
             "|---|---:|---:|---|---:|---:|---:|---:|\n")


def markdown_row(res):
    if res.failure:
        return "| %s | %d | | failed: %s | | | | |\n" % (res.name, res.lines, res.failure)
    ref = "" if res.reference_dev is None else "%.3f" % res.reference_dev
    return "| %s | %d | %d | %s | %s | %s | %s | %d / %d |\n" % (
        res.name, res.lines, res.shuffled, "same" if res.same_commands else "differs",
        "%.3f" % res.max_dev, res.at_line if res.at_line else "", ref,
        res.reports[0], res.reports[1])


def text_line(res):
    if res.failure:
        return "%s: failed: %s\n" % (res.name, res.failure)
    text = "%s: %d lines, %d shuffled: " % (res.name, res.lines, res.shuffled)
    if res.same_commands:
        text += "same command file"
    else:
        text += "command file differs, path deviation %.3f mm" % res.max_dev
        if res.at_line:
            text += " (line %d)" % res.at_line
    if res.reference_dev is not None:
        text += "; LinuxCNC %.3f mm" % res.reference_dev
    return text + "; reports %d / %d\n" % res.reports
