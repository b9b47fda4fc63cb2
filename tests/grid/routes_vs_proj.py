#!/usr/bin/python3
"""Runs the grid routes through tesra-cli on points spread over mainland
Portugal and compares them with PROJ's cs2cs.

    routes_vs_proj.py TESRA_CLI GRID_DIR

The grids hold PROJ's own values at the nodes, so between the two the only
difference left is the bilinear interpolation over 5 km cells and the
rounding of the files and the report: it must stay under 0.05 m. Routes
through ETRS89 TM06 take their Datum 73 step from the official polynomial,
not from PROJ, so they are compared with that step done by tesra-cli and the
grid step done by cs2cs. Exit status 77 when cs2cs is not installed.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

D73 = "Hayford-Gauss Datum 73"
LISBOA = "Hayford-Gauss Datum Lisboa-Ponto Central"
TM06 = "ETRS89 TM06"
EPSG = {D73: "EPSG:27493", LISBOA: "EPSG:5018", TM06: "EPSG:3763"}

ROWS, COLUMNS = 123, 66
WEST, NORTH, SPACING = -140000.0, 290000.0, 5000.0
NO_DATA = -999999.0
POINTS = 300
LIMIT = 0.05
OUT_OF_LIMITS = "ERRO!! Ponto para além dos limites. ("

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)


def read_grid(path):
    with open(path) as f:
        values = [float(v) for v in f.read().split()[:ROWS * COLUMNS]]
    assert len(values) == ROWS * COLUMNS, path
    return values


def valid_cells(m_grid, p_grid, margin):
    """Cells (row, column from 0) whose corners, and `margin` rings of
    neighbouring nodes, all have values in both grids."""
    cells = []
    for r in range(margin, ROWS - 1 - margin):
        for c in range(margin, COLUMNS - 1 - margin):
            if all(g[i * COLUMNS + j] != NO_DATA
                   for g in (m_grid, p_grid)
                   for i in range(r - margin, r + 2 + margin)
                   for j in range(c - margin, c + 2 + margin)):
                cells.append((r, c))
    return cells


def sample(cells, seed):
    """POINTS points in the given cells, to the millimetre, reproducibly."""
    rnd = random.Random(seed)
    points = []
    for i in range(POINTS):
        r, c = rnd.choice(cells)
        m = WEST + c * SPACING + rnd.randrange(0, 5000001) / 1000
        p = NORTH - r * SPACING - rnd.randrange(0, 5000001) / 1000
        points.append(("pt%03d" % i, round(m, 3), round(p, 3)))
    return points


class Tools:
    def __init__(self, cli, grids, workdir):
        self.cli, self.grids, self.workdir = cli, grids, workdir
        self.runs = 0

    def tesra(self, source, target, points):
        """Runs tesra-cli; returns (exit status, console text, points or None)."""
        self.runs += 1
        inp = os.path.join(self.workdir, "in%d.txt" % self.runs)
        out = os.path.join(self.workdir, "out%d.txt" % self.runs)
        with open(inp, "w", newline="") as f:
            f.writelines("%s,%.6f,%.6f\r\n" % p for p in points)
        run = subprocess.run(
            [self.cli, "--from", source, "--to", target, "--decimal-separator", ".",
             "--grid-dir", self.grids, inp, out],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        console = run.stdout.decode("utf-8", "replace")
        if not os.path.exists(out):
            return run.returncode, console, None
        with open(out, encoding="cp1252") as f:
            lines = f.read().splitlines()[8:]
        result = []
        for line in lines:
            name, m, p = line.split()
            result.append((name, float(m), float(p)))
        return run.returncode, console, result

    def tesra_ok(self, source, target, points):
        status, console, result = self.tesra(source, target, points)
        if status != 0 or result is None:
            sys.exit("tesra-cli %s -> %s failed (%d): %s" % (source, target, status, console))
        check([r[0] for r in result] == [p[0] for p in points],
              "%s -> %s: the report does not list the points in order" % (source, target))
        return result

    def cs2cs(self, source, target, points):
        text = "".join("%.6f %.6f\n" % (m, p) for _, m, p in points)
        run = subprocess.run(["cs2cs", "-f", "%.6f", EPSG[source], EPSG[target]],
                             input=text.encode(), stdout=subprocess.PIPE, check=True,
                             env=dict(os.environ, PROJ_NETWORK="OFF"))
        result = []
        for (name, _, _), line in zip(points, run.stdout.decode().splitlines()):
            m, p = line.split()[:2]
            result.append((name, float(m), float(p)))
        check(len(result) == len(points), "cs2cs left points out")
        return result


def largest_difference(a, b):
    return max(max(abs(x[1] - y[1]), abs(x[2] - y[2])) for x, y in zip(a, b))


def compare(label, got, expected, limit=LIMIT):
    worst = largest_difference(got, expected)
    verdict = "" if limit is None else (" (limit %.2f m)" % limit)
    print("%-60s largest difference %.4f m%s" % (label, worst, verdict))
    if limit is not None:
        check(worst < limit, "%s: %.4f m" % (label, worst))


def expect_out_of_limits(tools, source, target, points, bad):
    status, console, result = tools.tesra(source, target, points)
    label = "%s -> %s with (%s)" % (source, target, bad)
    check(status == 1, "%s: exit status %d, not 1" % (label, status))
    message = OUT_OF_LIMITS if bad is None else OUT_OF_LIMITS + bad + ")"
    check(message in console,
          "%s: no out-of-limits message in %r" % (label, console))
    check(result is None, "%s: the output file was created" % label)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if shutil.which("cs2cs") is None:
        print("cs2cs is not installed (Debian package proj-bin): skipped")
        return 77
    cli, grids = sys.argv[1], sys.argv[2]
    d73_m, d73_p = (read_grid(os.path.join(grids, n)) for n in ("73_lx_m.asc", "73_lx_p.asc"))
    lx_m, lx_p = (read_grid(os.path.join(grids, n)) for n in ("lx_et_m.asc", "lx_et_p.asc"))

    with tempfile.TemporaryDirectory() as workdir:
        tools = Tools(cli, grids, workdir)

        # Route 4, and back again with route 6.
        d73 = sample(valid_cells(d73_m, d73_p, 0), 4)
        lisboa = tools.tesra_ok(D73, LISBOA, d73)
        compare("Datum 73 -> Datum Lisboa (grid) vs cs2cs", lisboa,
                tools.cs2cs(D73, LISBOA, d73))
        inner = sample(valid_cells(d73_m, d73_p, 1), 46)
        there = tools.tesra_ok(D73, LISBOA, inner)
        back = tools.tesra_ok(LISBOA, D73, there)
        compare("Datum 73 -> Datum Lisboa -> Datum 73 (grids) vs start", back, inner)

        # Route 6.
        lx = sample(valid_cells(lx_m, lx_p, 0), 6)
        compare("Datum Lisboa -> Datum 73 (grid) vs cs2cs", tools.tesra_ok(LISBOA, D73, lx),
                tools.cs2cs(LISBOA, D73, lx))

        # Route 2: the official polynomial to Datum 73, then the grid. Points
        # a cell away from the no-data nodes, as the polynomial moves them.
        tm06 = tools.cs2cs(D73, TM06, sample(valid_cells(d73_m, d73_p, 1), 2))
        via_d73 = tools.tesra_ok(TM06, D73, tm06)
        route2 = tools.tesra_ok(TM06, LISBOA, tm06)
        compare("ETRS89 TM06 -> Datum Lisboa vs polynomial + cs2cs", route2,
                tools.cs2cs(D73, LISBOA, via_d73))
        compare("ETRS89 TM06 -> Datum Lisboa vs cs2cs alone (informative)", route2,
                tools.cs2cs(TM06, LISBOA, tm06), limit=None)

        # Route 5: the grid to Datum 73, then the official polynomial.
        lx_inner = sample(valid_cells(lx_m, lx_p, 1), 5)
        route5 = tools.tesra_ok(LISBOA, TM06, lx_inner)
        compare("Datum Lisboa -> ETRS89 TM06 vs cs2cs + polynomial", route5,
                tools.tesra_ok(D73, TM06, tools.cs2cs(LISBOA, D73, lx_inner)))
        compare("Datum Lisboa -> ETRS89 TM06 vs cs2cs alone (informative)", route5,
                tools.cs2cs(LISBOA, TM06, lx_inner), limit=None)

        # The stop: a good point first, so a half-written file would show.
        good = [d73[0]]
        expect_out_of_limits(tools, D73, LISBOA, good + [("nw", -137500, 287500)],
                             "-137500; 287500")
        expect_out_of_limits(tools, D73, LISBOA, good + [("east", 185000.001, 0)],
                             " 185000.001; 0")
        expect_out_of_limits(tools, LISBOA, D73, [lx[0], ("north", 0, 290000.001)],
                             " 0; 290000.001")
        expect_out_of_limits(tools, LISBOA, TM06, [lx[0], ("south", 1000, -320000.5)],
                             " 1000;-320000.5")
        # Beyond the east edge once the polynomial has taken it to Datum 73.
        expect_out_of_limits(tools, TM06, LISBOA, [tm06[0], ("far", 195000, 0)], None)

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
