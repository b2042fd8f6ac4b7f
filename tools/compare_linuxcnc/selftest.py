"""Checks of the comparison itself, on hand-made command files and paths.

Run with `tools/compare-linuxcnc --self-test`. They need numpy but neither the
converter nor LinuxCNC; the last group runs LinuxCNC's interpreter when it is
installed and is skipped otherwise."""

import math
import os
import tempfile
import unittest

import numpy as np

from . import machine, measure, pecks, reference, report, source, wordorder

HEADER = ["OF X: 40, Y:40, Z:40;", "VS 50.00", "@ZU 30.00", "@ZD 30.00"]


class Path:
    """A stand-in for a replayed or interpreted path."""

    def __init__(self, pts, owners, park=None, error="", last_line=10**9, states=None):
        self.points = np.array(pts, dtype=float)
        self.owners = np.array(owners, dtype=np.int64)
        self.park = np.zeros(len(pts), bool) if park is None else np.array(park, bool)
        self.error, self.last_line, self.states = error, last_line, states or {}


class ReplayTest(unittest.TestCase):
    def test_moves_in_millimetres_from_the_start_above_zero(self):
        cases = [
            # (command lines after the header, expected vertices after the start)
            (["PA 400,200;"], [(10, 5, 10)]),
            (["@ZA 80;"], [(0, 0, -2)]),                   # Z counts downwards
            (["@ZA -40;", "PA -41,0;"], [(0, 0, 1), (-1.025, 0, 1)]),
            (["PA 400,0;", "@HM;"], [(10, 0, 10), (0, 0, 10)]),   # home keeps Z
            (["VS  9.90;", "@ZU  9.90;", "@SS 1;", "RVS 1000;", "T: 11 N:? H:? D:?;",
              "@WT 200;", "@VS  50.00;"], []),               # no motion
        ]
        for lines, want in cases:
            with self.subTest(lines=lines):
                p = machine.replay(HEADER + lines)
                np.testing.assert_allclose(p.points[0], (0, 0, 10))
                np.testing.assert_allclose(p.points[1:].reshape(-1, 3), np.array(want).reshape(-1, 3))
                self.assertEqual(p.unknown, [])

    def test_steps_per_millimetre_come_from_the_header(self):
        p = machine.replay(["OF X: 66, Y:40, Z:80;"] + HEADER[1:] + ["PA 66,40;", "@ZA 80;"])
        np.testing.assert_allclose(p.points[1:], [(1, 1, 10), (1, 1, -1)])

    def test_park_only_after_the_program_end_speed(self):
        lines = ["PA 0,1600;", "@SS 0;", "VS 30.0", "PA 0,1600;", "PA 40,40;"]
        p = machine.replay(HEADER + lines)
        self.assertEqual(p.park.tolist(), [False, False, True, False])
        self.assertEqual(p.cmd_index.tolist(), [-1, 4, 7, 8])

    def test_lines_not_understood_are_listed(self):
        p = machine.replay(HEADER + ["G02 dans ce cas non traite", "PA x,1;"])
        self.assertEqual([t for _, t in p.unknown], ["G02 dans ce cas non traite", "PA x,1;"])
        self.assertEqual(len(p.points), 1)

    def test_a_file_without_header_is_refused(self):
        with self.assertRaises(machine.ConverterError):
            machine.replay(["PA 1,1;"])


class OwnerTest(unittest.TestCase):
    def test_commands_go_to_the_line_that_wrote_them(self):
        # Line 1 writes nothing, 2 and 3 are reported, 3 moves in LinuxCNC,
        # line 4 writes commands 5-6, line 5 nothing, line 6 command 7.
        line_map = [4, -1, -1, 5, 7, 7]
        owners = machine.command_owners(line_map, 8, moving_lines={3, 4, 6})
        self.assertEqual(owners.tolist(), [0, 0, 0, 0, 3, 4, 4, 6])
        # Nothing moves in LinuxCNC on the reported lines: the known line keeps them.
        owners = machine.command_owners(line_map, 8, moving_lines=set())
        self.assertEqual(owners[4], 1)

    def test_reported_lines_before_the_first_known_line(self):
        owners = machine.command_owners([-1, -1, 6], 8, moving_lines={2})
        self.assertEqual(owners.tolist(), [0, 0, 0, 0, 2, 2, 3, 3])


class DistanceTest(unittest.TestCase):
    def test_point_to_segment(self):
        a = np.array([[[0.0, 0, 0]] * 4])
        b = np.array([[[10.0, 0, 0], [10.0, 0, 0], [10.0, 0, 0], [0.0, 0, 0]]])
        p = np.array([[5.0, 3, 4]])
        d = measure.point_segment_distances(p, a, b)
        np.testing.assert_allclose(d[0, :3], 5.0)           # beside the middle
        np.testing.assert_allclose(d[0, 3], math.sqrt(50))   # a segment of zero length
        p = np.array([[13.0, 4, 0]])
        np.testing.assert_allclose(measure.point_segment_distances(p, a, b)[0, 0], 5.0)  # past the end

    def test_window_keeps_far_lines_out(self):
        # The other path passes (5, 0, 0) at line 1 and is at Z 5 on lines 2 to 9.
        pts = [(0, 0, 0), (10, 0, 0)] + [(10 + i, 0, 5) for i in range(1, 9)] + [(5, 0, 0.5)]
        other = Path(pts, [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10])
        segs = measure.Segments(other.points, other.owners, np.ones(len(pts), bool))
        q = np.array([[5.0, 0, 0.5]])
        # Measured at line 10 the point is 0 mm from line 10's segment ...
        self.assertAlmostEqual(measure.nearest_distances(q, np.array([10]), segs, 1)[0], 0.0)
        # ... measured at line 5 it is near lines 4 to 6 only, not line 1 below it.
        d = measure.nearest_distances(q, np.array([5]), segs, 1)[0]
        self.assertGreater(d, 4.0)
        # A wider window reaches back to line 1.
        d = measure.nearest_distances(q, np.array([5]), segs, 4)[0]
        self.assertAlmostEqual(d, 0.5)

    def test_window_of_a_line_that_does_not_move_in_the_other_path(self):
        segs = measure.Segments(np.array([(0, 0, 0), (1, 0, 0), (2, 0, 0.0)]),
                                np.array([0, 2, 6]), np.ones(3, bool))
        lo, hi = segs.windows(np.array([4, 1, 9]), 1)
        self.assertEqual((lo.tolist(), hi.tolist()), ([0, 0, 1], [2, 1, 2]))

    def test_many_points_in_buckets_give_the_direct_result(self):
        rng = np.random.default_rng(7)
        pts = np.cumsum(rng.normal(size=(300, 3)), axis=0)
        owners = np.repeat(np.arange(1, 31), 10)
        owners = np.concatenate([[0], owners[:-1]])
        segs = measure.Segments(pts, owners, np.ones(len(pts), bool))
        q = pts[::7] + 0.3
        lines = owners[::7]
        got = measure.nearest_distances(q, lines, segs, 1, budget=50)
        for k in range(len(q)):
            lo, hi = segs.windows(lines[k:k + 1], 1)
            want = measure.point_segment_distances(q[k:k + 1], segs.a[None, lo[0]:hi[0]],
                                                   segs.b[None, lo[0]:hi[0]]).min()
            self.assertAlmostEqual(got[k], want)


def _compare(mpts, mown, rpts, rown, texts, reported=None, park=None, **kw):
    m = Path(mpts, mown, park=park)
    r = Path(rpts, rown, **kw)
    return measure.compare(m, m.owners, r, texts, reported or {}, 0.1, 1)


class CompareTest(unittest.TestCase):
    def test_a_staircase_corner_is_measured_from_the_machine_side(self):
        # LinuxCNC: one straight line; the machine: all of X first, then Z.
        c = _compare([(0, 0, 10), (10, 0, 10), (10, 0, 0)], [0, 1, 1],
                     [(0, 0, 10), (10, 0, 0)], [0, 1], ["G1 X10 Z0"])
        self.assertAlmostEqual(c.max_dev, 10 / math.sqrt(2), places=6)
        self.assertEqual((c.max_line, c.max_side), (1, 0))

    def test_a_circle_left_out_is_measured_from_linuxcnc_side(self):
        circle = [(5 * math.cos(t), 5 * math.sin(t), 10) for t in np.linspace(0, 2 * math.pi, 65)]
        c = _compare([(5, 0, 10)], [0], circle, [0] + [1] * 64, ["G2 I-5"])
        self.assertAlmostEqual(c.max_dev, 10.0, places=2)
        self.assertEqual(c.max_side, 1)

    def test_return_to_reference_is_shown_apart_until_the_paths_meet(self):
        texts = ["G0 X10", "G91 G28 Z0", "G90 G0 X5 Y5", "Z2", "X7"]
        mpts = [(0, 0, 10), (10, 0, 10), (0, 0, 10), (5, 5, 10), (5, 5, 2), (7, 5, 2)]
        rpts = [(0, 0, 10), (10, 0, 10), (10, 0, 20), (5, 5, 20), (5, 5, 2), (7, 5, 2)]
        c = _compare(mpts, [0, 1, 2, 3, 4, 5], rpts, [0, 1, 2, 3, 4, 5], texts)
        self.assertEqual(c.label[1:].tolist(), [0, 1, 1, 1, 0])
        self.assertEqual(len(c.stretches), 1)
        self.assertEqual((c.stretches[0].first, c.stretches[0].last), (2, 4))
        self.assertAlmostEqual(c.max_dev, 0.0)

    def test_a_reported_group_that_parts_the_paths(self):
        texts = ["G0 X10", "M8", "Z25 M9", "X0", "Z2", "X3"]
        mpts = [(0, 0, 10), (10, 0, 10), (0, 0, 10), (0, 0, 2), (3, 0, 2)]
        rpts = [(0, 0, 10), (10, 0, 10), (10, 0, 25), (0, 0, 25), (0, 0, 2), (3, 0, 2)]
        c = _compare(mpts, [0, 1, 4, 5, 6], rpts, [0, 1, 3, 4, 5, 6], texts,
                     reported={3: ["Z25M9"]})
        self.assertEqual(c.label[1:].tolist(), [0, 0, 2, 2, 2, 0])
        self.assertEqual(c.stretches[0].reason, ["Z25M9"])
        self.assertAlmostEqual(c.stretches[0].max_dev, 15.0)

    def test_g98_cycles_count_after_the_report_of_g98(self):
        texts = ["G0 Z10", "G98", "G81 X5 Z-1 R2", "X9", "G80", "G0 Z10"]
        states = {3: (810, 170, 980, 400), 4: (810, 170, 980, 400)}
        mpts = [(0, 0, 10), (5, 0, 10), (5, 0, 2), (5, 0, -1), (5, 0, 2), (9, 0, 2),
                (9, 0, -1), (9, 0, 2), (9, 0, 10)]
        rpts = [(0, 0, 10), (5, 0, 10), (5, 0, 2), (5, 0, -1), (5, 0, 10), (9, 0, 10),
                (9, 0, 2), (9, 0, -1), (9, 0, 10)]
        c = _compare(mpts, [0, 3, 3, 3, 3, 4, 4, 4, 6], rpts, [0, 3, 3, 3, 3, 4, 4, 4, 4],
                     texts, reported={2: ["G98"]}, states=states)
        self.assertEqual(c.label[3:5].tolist(), [2, 2])
        self.assertEqual(c.above, [])

    def test_a_reported_cycle_counts_on_its_repeats_too(self):
        # G73 is reported; its repeats move in LinuxCNC only and end where the
        # machine ends (at the initial height): each is put down to the G73 report.
        texts = ["G0 Z5", "G73 X5 Z-1 R2 Q1", "X9", "X12"]
        states = {2: (730, 170, 990, 400), 3: (730, 170, 990, 400), 4: (730, 170, 990, 400)}
        mpts = [(0, 0, 10), (0, 0, 5), (9, 0, 5), (12, 0, 5)]
        rpts = [(0, 0, 10), (0, 0, 5), (5, 0, 5), (5, 0, -1), (5, 0, 5), (9, 0, 5), (9, 0, -1),
                (9, 0, 5), (12, 0, 5), (12, 0, -1), (12, 0, 5)]
        c = _compare(mpts, [0, 1, 3, 4], rpts, [0, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4], texts,
                     reported={2: ["G73X5Z-1R2Q1"]}, states=states)
        self.assertEqual(c.label[2:].tolist(), [2, 2, 2])
        self.assertEqual({s.cause for s in c.stretches}, {2})
        self.assertAlmostEqual(c.max_dev, 0.0)

    def test_a_reported_offset_explains_every_later_parting(self):
        texts = ["G0 X1", "G10 L20 P1 X0", "G0 X2", "X3", "G0 X3 Y0"]
        mpts = [(0, 0, 10), (1, 0, 10), (2, 0, 10), (3, 0, 10)]
        rpts = [(0, 0, 10), (1, 0, 10), (3, 0, 10), (4, 0, 10)]
        c = _compare(mpts, [0, 1, 3, 4], rpts, [0, 1, 3, 4], texts, reported={2: ["G10L20P1X0"]})
        self.assertEqual(c.label[3:5].tolist(), [2, 2])
        self.assertEqual(c.stretches[0].cause, 2)

    def test_park_and_lines_after_the_end_are_not_compared(self):
        texts = ["G0 X1", "M30", "G0 X5"]
        mpts = [(0, 0, 10), (1, 0, 10), (0, 40, 10), (5, 0, 10)]
        c = _compare(mpts, [0, 1, 2, 3], [(0, 0, 10), (1, 0, 10)], [0, 1], texts,
                     park=[False, False, True, False], last_line=2)
        self.assertEqual(c.park_lines, [2])
        self.assertEqual(c.skip_from, 3)
        self.assertEqual(c.label[3], measure.SKIPPED)
        self.assertAlmostEqual(c.max_dev, 0.0)

    def test_lines_from_a_refused_line_on_are_not_compared(self):
        c = _compare([(0, 0, 10), (1, 0, 10), (9, 9, 9)], [0, 1, 2], [(0, 0, 10), (1, 0, 10)], [0, 1],
                     ["G0 X1", "G2 X9 Y9"], error="bad arc", last_line=2)
        self.assertEqual(c.skip_from, 2)
        self.assertIn("bad arc", c.skip_reason)
        self.assertAlmostEqual(c.max_dev, 0.0)


class SourceTest(unittest.TestCase):
    def test_lines_end_like_the_converter_reads_them(self):
        cases = [(b"G0\r\nG1\r\n", ["G0", "G1"]), (b"G0\nG1", ["G0", "G1"]),
                 (b"G0\rG1\r", ["G0", "G1"]), (b"\n\n", ["", ""]), (b"", [])]
        with tempfile.TemporaryDirectory() as d:
            for data, want in cases:
                p = os.path.join(d, "p.nc")
                with open(p, "wb") as f:
                    f.write(data)
                self.assertEqual(source.read_source_lines(p), want, data)

    def test_codes_and_what_a_reported_group_means(self):
        self.assertEqual(source.codes_of("n10 g01 x1 (G2) g91.1 M03 ;G3"), ["G1", "G91.1", "M3"])
        cases = [("G94", "neutral", False), ("M8", "neutral", False), ("", "neutral", False),
                 ("F300", "neutral", False), ("O0001", "neutral", False),
                 ("Z25.M09", "neutral", True), ("G43Z25H1", "neutral", True),
                 ("G10L20P1X0", "changes", True), ("G98", "changes", True),
                 ("G1Z#2", "changes", True), ("O100CALL[1]", "changes", True),
                 ("G81R.1Z-.5^60L6F10", "changes", True), ("G0@1.5", "changes", True),
                 ("G0X99999999", "refused", True),
                 ("G1F50.0X0.0Z19.9024A0.0", "neutral", False), ("X0.5Z19A-12", "neutral", False),
                 ("G10L20P1A0", "changes", True)]
        for group, kind, moves in cases:
            with self.subTest(group=group):
                self.assertEqual(source.classify_group(group)[0], kind)
                self.assertEqual(source.may_move(group), moves)
        self.assertTrue(source.is_return_to_reference("N5 G91 G28 Z0"))
        self.assertFalse(source.is_return_to_reference("G28.1"))
        self.assertTrue(source.has_rotary_words("G1 X1 A-12.5"))
        self.assertFalse(source.has_rotary_words("G1 X1 (CAM)"))
        self.assertEqual(source.without_rotary_words(b"G1 X1 A-12.5 F5\nb2 y3\nO1 CALL\n"),
                         b"G1 X1  F5\n y3\nO1 CALL\n")


class KindAndReportTest(unittest.TestCase):
    def test_kind_of_move_as_linuxcnc_ran_it(self):
        o, x, xyz = (0, 0, 0), (5, 0, 0), (5, 0, -1)
        cases = [
            ("G2 X5 R2.5", 20, 170, o, x, "R arc G17"),
            ("G2 X5 I2.5 R9", 20, 170, o, x, "arc G17"),          # offsets win over R
            ("G3 I-5", 30, 170, o, o, "full circle G17"),
            ("G2 I-5 Z-1", 20, 170, o, (0, 0, -1), "full circle G17 helix"),
            ("G18 G2 X5 Y-1 I2.5", 20, 180, o, (5, -1, 0), "arc G18 helix"),
            ("G82 X1 Z-1 R1", 820, 170, o, (1, 0, 1), "cycle G82"),
            ("X3", 820, 170, o, (3, 0, 1), "cycle repeat (no Z, R)"),
            ("G1 X5 Z-1", 10, 170, o, xyz, "XYZ line"),
            ("G0 X5", 0, 170, o, x, "line"),
            ("G91 G28 Z0", 0, 170, o, o, "G28/G30"),
        ]
        for text, mode, plane, start, end, want in cases:
            with self.subTest(text=text):
                self.assertEqual(source.move_kind(text, mode, plane, start, end), want)

    def test_a_markdown_row_names_what_was_not_compared(self):
        texts = ["G0 X1", "G2 X9 Y9 I1", "M2"]
        res = report.ProgramResult("p.nc")
        res.texts, res.lines = texts, 3
        res.comparison = _compare([(0, 0, 10), (1, 0, 10)], [0, 1], [(0, 0, 10), (1, 0, 10)], [0, 1],
                                  texts, error="Radius to end of arc differs from radius to start: r1=1",
                                  last_line=2)
        row = report.markdown_row(res, 0.1)
        cells = [c.strip() for c in row.strip().strip("|").split("|")]
        self.assertEqual(len(cells), 12)
        self.assertEqual(cells[:4], ["`p.nc`", "3", "yes", "0.000"])
        self.assertEqual(cells[9], "l. 2-3: LinuxCNC refuses: Radius to end of arc differs from radius to start")
        self.assertEqual(report._ranges([1, 2, 3, 7]), "1-3, 7")


class PeckDepthTest(unittest.TestCase):
    def test_depths_where_the_tool_stops_going_down(self):
        # Line 2: G83 from R1 to Z-3 in two pecks (out to R and back down to
        # just above the first depth); line 3: one hole in one go.
        pts = [(0, 0, 5), (0, 0, 1), (0, 0, -1), (0, 0, 1), (0, 0, -0.75), (0, 0, -3), (0, 0, 1),
               (4, 0, 1), (4, 0, -3), (4, 0, 1)]
        owners = [0, 2, 2, 2, 2, 2, 2, 3, 3, 3]
        depths = pecks.turning_depths(pts, owners)
        self.assertEqual(depths[2], [-1, -3])
        self.assertEqual(depths[3], [-3])
        states = {1: (0,), 2: (830,), 3: (830,), 4: (800,)}
        lines, differ = pecks.compare(pts, owners, pts, [0, 2, 2, 2, 2, 2, 2, 2, 2, 2], states,
                                      {}, 0.1)
        self.assertEqual(lines, 2)
        self.assertEqual([d[0] for d in differ], [2, 3])


class ReferenceMendTest(unittest.TestCase):
    def test_mends_keep_line_numbers_and_comments(self):
        lines = ["N10 G1 X1\n", "(K0 stays) G2 X1 I1 K0.000 ;K9\n", "$H\n", "G2 X2 I1 K0\n"]
        note = reference._mend(lines, "Cannot do g1 with zero feed rate", 1)
        self.assertEqual(lines[0], "N10 F312 G1 X1\n")
        self.assertIn("line 1", note)
        note = reference._mend(lines, "K word given for arc in xy plane", 2)
        self.assertEqual(lines[1], "(K0 stays) G2 X1 I1 K0.000 ;K9\n")   # all after '(' is kept
        self.assertEqual(lines[3], "G2 X2 I1 \n")
        self.assertEqual(reference._mend(lines, "Unknown word", 3), "1 grbl '$' line(s) made comments")
        self.assertEqual(lines[2], "($H)\n")
        self.assertIsNone(reference._mend(lines, "Radius to end of arc differs", 4))

    def test_chords_stay_within_the_tolerance(self):
        for r in (0.01, 0.5, 3.0, 40.0, 1000.0):
            n = reference._segment_count(r, 0, 0.001)
            sagitta = r * (1 - math.cos(math.pi / n / 2))
            self.assertLessEqual(sagitta, 0.001 + 1e-12, r)


def _have_linuxcnc():
    try:
        import gcode  # noqa: F401
        return True
    except ImportError:
        return False


@unittest.skipUnless(_have_linuxcnc(), "LinuxCNC's gcode module is not installed")
class InterpreterTest(unittest.TestCase):
    def run_program(self, text):
        with tempfile.TemporaryDirectory() as d:
            p = os.path.join(d, "p.ngc")
            with open(p, "w") as f:
                f.write(text)
            path, why, mends = reference.run_reference(p, 0.001, 120)
        self.assertIsNotNone(path, why)
        return path

    def test_start_units_arcs_tools_and_home(self):
        path = self.run_program(
            "G0 X10\nG2 X-10 I-10\nT3 M6\nG43 H3\nG20 G0 X1\nG21\nG28\nG1 Z-1\nM2\n")
        self.assertFalse(path.error)
        np.testing.assert_allclose(path.points[0], (0, 0, 10))
        arc = path.points[path.owners == 2]
        r = np.hypot(arc[:, 0], arc[:, 1])
        np.testing.assert_allclose(r, 10, atol=1e-9)
        self.assertTrue((arc[:, 1] <= 1e-9).all())          # G2 from +X runs through -Y
        chord = arc[1:] - arc[:-1]
        self.assertLess(10 - math.sqrt(100 - (np.hypot(chord[:, 0], chord[:, 1]).max() / 2) ** 2), 0.001)
        np.testing.assert_allclose(path.points[path.owners == 5][-1], (25.4, 0, 10))
        np.testing.assert_allclose(path.points[path.owners == 7][-1], (0, 0, 10))   # G28 position
        self.assertEqual(path.last_line, 9)

    def test_a_tool_change_after_an_arc_keeps_the_true_position(self):
        # LinuxCNC's module restarts the interpreter from the end of the last straight
        # move after M6; the path is kept on the end of the arc instead.
        path = self.run_program("G0 X10\nG2 X20 I5\nT1 M6\nG0 Z5\nG91 G0 Z-1\nG90 G0 X1\nM2\n")
        np.testing.assert_allclose(path.points[path.owners == 4][-1], (20, 0, 5))
        np.testing.assert_allclose(path.points[path.owners == 5][-1], (20, 0, 4))
        np.testing.assert_allclose(path.points[path.owners == 6][-1], (1, 0, 4))

    def test_a_refused_line_is_named(self):
        path = self.run_program("G0 X1\nG2 X5 Y5 I1 J0\nM2\n")
        self.assertIn("Radius to end of arc", path.error)
        self.assertEqual(path.last_line, 2)


class WordOrderTest(unittest.TestCase):
    def test_shuffle_keeps_the_words_n_first_and_comments(self):
        import random
        rng = random.Random(1)

        def words(text):
            body = wordorder._COMMENTS.sub(" ", text).strip().lstrip("/")
            return sorted("".join(m).upper() for m in wordorder._WORD.findall(body))

        for line, lead, comment in [("N10 G0 X1 Y2 (to the start)", "N10 ", "(to the start)"),
                                    ("g1x1.5 y-2 f100 ; feed", "", "; feed"),
                                    ("/N5 G28 G91 Z5", "/N5 ", "")]:
            out = wordorder.shuffle_line(line, rng)
            self.assertEqual(words(out), words(line), out)
            self.assertTrue(out.startswith(lead) and out.endswith(comment), out)
        # Parameters, O-words, expressions and single words stay as they are.
        for line in ["G1 X#1 Y2", "o100 sub", "G0", "%", "X1 [1+2]"]:
            self.assertIsNone(wordorder.shuffle_line(line, rng), line)

    def test_deviation_of_two_paths(self):
        a = np.array([(0, 0, 0), (10, 0, 0)], float)
        b = np.array([(0, 0, 0), (5, 1, 0), (10, 0, 0)], float)
        d, line = wordorder.path_deviation(b, np.array([1, 2, 3]), a)
        self.assertAlmostEqual(d, 1.0)
        self.assertEqual(line, 2)


def run():
    suite = unittest.defaultTestLoader.loadTestsFromModule(__import__(__name__, fromlist=["x"]))
    result = unittest.TextTestRunner(verbosity=1).run(suite)
    return 0 if result.wasSuccessful() else 1
