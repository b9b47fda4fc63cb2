#!/usr/bin/python3
"""Every route of tesra-cli on the point files of this folder.

    check_routes.py reports TESRA_CLI GRID_DIR [--write]
        each report byte for byte against rota-NN.txt (--write: make them),
        the published worked examples in them, and `tesra-cli --list`
        against the table below;
        and the routes of the command line alone against the route table's:
        the military grid's through Datum Lisboa, and the island routes
        there and back over 1 km lattices;
    check_routes.py proj TESRA_CLI GRID_DIR
        the island routes against PROJ (exit status 77 without pyproj);
    check_routes.py grids TESRA_CLI GRID_DIR
        the grid routes on points spread over the mainland against PROJ's
        cs2cs (exit status 77 without it).
    check_routes.py outputs TESRA_CLI GRID_DIR
        the other output forms and streams against the reports: two routes
        run as two legs through the points form, csv and geojson read back,
        a spreadsheet's height column carried to them, standard input and
        output.
    check_routes.py epsg TESRA_CLI GRID_DIR
        the EPSG codes and areas of use of `tesra-cli --list`, the .prj beside a csv in each
        system and the military grid against projinfo and cs2cs (exit
        status 77 without them).
"""

import csv
import json
import math
import os
import re
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TM06, D73 = "ETRS89 TM06", "Hayford-Gauss Datum 73"
LISBOA = "Hayford-Gauss Datum Lisboa-Ponto Central"

# Route: source, target, routines in order, input. Written out here rather
# than read from the program, so that a row swapped there shows.
ROUTES = {
    1: (TM06, D73, "transf_01", "continente-tm06.txt"),
    2: (TM06, LISBOA, "transf_01, transf_12", "continente-tm06.txt"),
    3: (D73, TM06, "transf_10", "continente-d73.txt"),
    4: (D73, LISBOA, "transf_12", "continente-d73.txt"),
    5: (LISBOA, TM06, "transf_21, transf_10", "continente-lisboa.txt"),
    6: (LISBOA, D73, "transf_21", "continente-lisboa.txt"),
    7: ("Qualquer", D73, "qualquer", "continente-tm06.txt"),
    8: ("Açores - G.Oriental - UTM 26 S. Bráz", "UTM 26 ITRF93", "transf_54", "sbraz.txt"),
    9: ("Açores - Faial - UTM 26 Base SW", "UTM 26 ITRF93", "transf_64", "faial.txt"),
    10: ("Açores - Graciosa - UTM 26 Base SW", "UTM 26 ITRF93", "transf_74", "graciosa.txt"),
    11: ("Açores - Pico - UTM 26 Base SW", "UTM 26 ITRF93", "transf_84", "pico.txt"),
    12: ("Açores - São Jorge - UTM 26 Base SW", "UTM 26 ITRF93", "transf_94", "sjorge.txt"),
    13: ("Açores - Terceira - UTM 26 Base SW", "UTM 26 ITRF93", "transf_104", "terceira.txt"),
    14: ("Açores - G.Ocidental - UTM 25 Observatório", "UTM 25 ITRF93", "transf_114", "observatorio.txt"),
    15: ("Madeira - UTM 28 Base SE", "UTM 28 ITRF93", "transf_124", "madeira.txt"),
}

# The published worked examples, rounded by hand to the report's three
# decimals. Route 7 reads the parameters of transf_01 from its two files.
EXAMPLES = {
    1: {"Exemplo 01": ("100005,028", "199999,577"), "Exemplo 01 negativo": ("-50002,262", "-99999,774")},
    3: {"Exemplo 10": ("99994,972", "200000,423")},
    7: {"Exemplo 01": ("100005,028", "199999,577")},
    8: {"Exemplo 54 origem": ("640030,813", "4162536,925"), "Exemplo 54": ("641030,804", "4163536,919")},
    14: {"Exemplo 114": ("649623,022", "4380066,273")},
    15: {"Exemplo 124 origem": ("2364,091", "-745,016"), "Exemplo 124": ("499684,655", "4200321,092")},
}

# PROJ's operations from each island datum to PTRA08 (EPSG:5013), whose UTM
# zones are the ITRF93 targets. For the western group EPSG's own are fine
# enough; for the other datums EPSG has only metre-level ones, which cannot
# tell one island's set from another's, so these are the per-island
# seven-parameter operations of PROJ's database. Each point takes the one
# whose area holds it.
OPERATIONS = {
    8: (26, ["ESRI:108173", "ESRI:108174"]), 9: (26, ["ESRI:108185"]), 10: (26, ["ESRI:108186"]),
    11: (26, ["ESRI:108187"]), 12: (26, ["ESRI:108188"]), 13: (26, ["ESRI:108189"]),
    14: (25, ["EPSG:5034", "EPSG:5035"]), 15: (28, ["ESRI:108161", "ESRI:108162"]),
}
# Their stated accuracies run from 4 mm to 0.4 m; the official polynomials
# stay within 9 cm of every one of them, and the sets of two islands differ
# by 14 cm or more on either island, so one limit serves all.
LIMIT = 0.10


def tesra(cli, grids, source, target, inp, workdir, separator):
    """Runs tesra-cli; returns its run and the report (None when there is none)."""
    out = os.path.join(workdir, "relatorio.txt")
    if os.path.exists(out):
        os.remove(out)
    args = [cli, "--from", source, "--to", target, "--decimal-separator", separator, "--grid-dir", grids]
    if source == "Qualquer":
        args += ["--param-x", os.path.join(HERE, "parametros-x.txt"),
                 "--param-y", os.path.join(HERE, "parametros-y.txt")]
    done = subprocess.run(args + [inp, out], capture_output=True)
    if not os.path.exists(out):
        return done, None
    with open(out, "rb") as f:
        return done, f.read()


def run(cli, grids, number, workdir, separator=","):
    source, target, _, points = ROUTES[number]
    done, report = tesra(cli, grids, source, target, os.path.join(HERE, points), workdir, separator)
    if done.returncode != 0:
        sys.exit("route %d: %s" % (number, done.stderr.decode()))
    return report


def run_points(cli, grids, workdir, source, target, rows):
    """Name -> (M, P) as numbers, from a point file of rows."""
    path = os.path.join(workdir, "pontos.txt")
    with open(path, "w", encoding="cp1252", newline="\r\n") as f:
        f.writelines("%s,%.3f,%.3f\n" % (name, m, p) for name, (m, p) in rows.items())
    done, report = tesra(cli, grids, source, target, path, workdir, ".")
    if done.returncode != 0:
        sys.exit("%s --> %s: %s" % (source, target, done.stderr.decode()))
    return {name: (float(m), float(p)) for name, (m, p) in points(report).items()}


def read_points(name):
    with open(os.path.join(HERE, name), encoding="cp1252") as f:
        return {n: (float(m), float(p)) for n, m, p in (line.split(",") for line in f.read().splitlines())}


def far_apart(got, expected, limit, shift=(0, 0)):
    return sorted(n for n in expected if max(abs(got[n][0] - expected[n][0] - shift[0]),
                                             abs(got[n][1] - expected[n][1] - shift[1])) > limit)


# The military grid: Datum Lisboa moved 200 km west and 300 km south.
MILITAR = "Hayford-Gauss Datum Lisboa - Militar"
SHIFT = (200000, 300000)
# Each reverse island route over 1 km lattices of boxes (km) around its islands.
ISLANDS = {
    8: [(600, 4172, 665, 4198), (658, 4087, 678, 4100)], 9: [(339, 4263, 362, 4280)],
    10: [(405, 4317, 419, 4329)], 11: [(364, 4248, 412, 4271)], 12: [(384, 4266, 435, 4292)],
    13: [(466, 4275, 497, 4296)], 14: [(647, 4358, 666, 4400)], 15: [(287, 3611, 346, 3641), (367, 3654, 382, 3664)],
}


def check_extended(cli, grids, workdir):
    failures = []
    lisboa = read_points("continente-lisboa.txt")
    militar = {n: (m + SHIFT[0], p + SHIFT[1]) for n, (m, p) in lisboa.items()}
    # Each system's route to and from the military grid is its route to and
    # from Datum Lisboa, moved; a millimetre of play for the report's rounding.
    for system, points_file, to_lisboa, from_lisboa in ((TM06, "continente-tm06.txt", 2, 5),
                                                        (D73, "continente-d73.txt", 4, 6),
                                                        (LISBOA, "continente-lisboa.txt", None, None)):
        given = read_points(points_file)
        expected = run_points(cli, grids, workdir, system, LISBOA, given) if to_lisboa else lisboa
        got = run_points(cli, grids, workdir, system, MILITAR, given)
        failures += ["%s --> militar: %s" % (system, n) for n in far_apart(got, expected, 0.0011, SHIFT)]
        expected = run_points(cli, grids, workdir, LISBOA, system, lisboa) if from_lisboa else lisboa
        got = run_points(cli, grids, workdir, MILITAR, system, militar)
        failures += ["militar --> %s: %s" % (system, n) for n in far_apart(got, expected, 0.0011)]
    for number, boxes in ISLANDS.items():
        source, target = ROUTES[number][:2]
        lattice = {"%d %d" % (m, p): (m * 1000.0, p * 1000.0)
                   for w, s, e, n in boxes for m in range(w, e + 1) for p in range(s, n + 1)}
        there = run_points(cli, grids, workdir, source, target, lattice)
        back = run_points(cli, grids, workdir, target, source, there)
        off = far_apart(back, lattice, 0.0011)
        if off:
            failures.append("route %d there and back: %d points beyond 1 mm, such as %s" % (number, len(off), off[0]))
    return failures


# The name EPSG gives each system's code.
EPSG_NAMES = {
    "tm06": "ETRS89 / Portugal TM06", "d73": "Datum 73 / Modified Portuguese Grid",
    "lisboa": "Lisbon / Portuguese Grid New", "militar": "Lisbon (Lisbon) / Portuguese National Grid",
    "sbraz": "Azores Oriental 1995 / UTM zone 26N",
    **dict.fromkeys(("faial", "graciosa", "pico", "sjorge", "terceira"), "Azores Central 1995 / UTM zone 26N"),
    "observatorio": "Azores Occidental 1939 / UTM zone 25N", "madeira": "Porto Santo 1995 / UTM zone 28N",
    "utm25": "PTRA08 / UTM zone 25N", "utm26": "PTRA08 / UTM zone 26N", "utm28": "PTRA08 / UTM zone 28N",
    "utm29": "ETRS89 / UTM zone 29N", "etrs89geo": "ETRS89", "ptra08geo": "PTRA08", "wgs84": "WGS 84",
}


def check_epsg(cli, grids, workdir):
    if not shutil.which("projinfo") or not shutil.which("cs2cs"):
        print("projinfo and cs2cs are not installed (Debian package proj-bin): skipped")
        sys.exit(77)
    failures = []
    listing = subprocess.run([cli, "--list"], capture_output=True, text=True).stdout
    codes = {line.split()[0]: line.split()[1] for line in listing.splitlines() if "  EPSG:" in line}
    for alias, name in EPSG_NAMES.items():
        done = subprocess.run(["projinfo", "-q", "--single-line", "-o", "WKT2_2019", codes.get(alias, "?")],
                              capture_output=True, text=True)
        if not re.match(r'(PROJ|GEOG)CRS\["%s"' % re.escape(name), done.stdout):
            failures.append("%s is %s in --list, not %s" % (alias, codes.get(alias), name))
    # The .prj beside a csv holds PROJ's own definition of the target's code;
    # a point the route cannot reach is left out, the file is written still.
    sources = {"tm06": "d73", "d73": "tm06", "lisboa": "d73", "militar": "lisboa", "utm25": "observatorio",
               "utm26": "sbraz", "utm28": "madeira", "observatorio": "utm25", "madeira": "utm28",
               "utm29": "tm06", "etrs89geo": "tm06", "ptra08geo": "utm26", "wgs84": "tm06",
               **dict.fromkeys(("sbraz", "faial", "graciosa", "pico", "sjorge", "terceira"), "utm26")}
    point = os.path.join(workdir, "ponto.txt")
    with open(point, "w") as f:
        f.write("A,100,100\r\n")
    for alias in EPSG_NAMES:
        prj = os.path.join(workdir, "p.prj")
        if os.path.exists(prj):
            os.remove(prj)
        subprocess.run([cli, "--from", sources[alias], "--to", alias, "--grid-dir", grids, "--on-error", "skip",
                        "--format", "csv", point, os.path.join(workdir, "p.csv")], capture_output=True)
        wkt = subprocess.run(["projinfo", "-q", "--single-line", "-o", "WKT1_ESRI", codes.get(alias, "?")],
                             capture_output=True, text=True).stdout.strip()
        if not os.path.exists(prj) or open(prj).read() != wkt:
            failures.append("the .prj of a csv in %s is not PROJ's WKT of %s" % (alias, codes.get(alias)))
    failures += check_areas(listing)
    lisboa = read_points("continente-lisboa.txt")
    got = run_points(cli, grids, workdir, LISBOA, MILITAR, lisboa)
    done = subprocess.run(["cs2cs", "-f", "%.4f", "EPSG:5018", "EPSG:20790"], capture_output=True, text=True,
                          input="".join("%r %r\n" % xy for xy in lisboa.values()))
    expected = dict(zip(lisboa, ((float(m), float(p)) for m, p, _ in map(str.split, done.stdout.splitlines()))))
    failures += ["lisboa --> militar differs from cs2cs at %s" % n for n in far_apart(got, expected, 0.0006)]
    return failures


AREA_OF = {"4258": "3763", "25829": "3763"}


def check_areas(listing):
    """Each area of --list is EPSG's area of use of its code, its edges
    projected by cs2cs into the system's coordinates, with 10 km around."""
    failures = []
    lines = listing.splitlines()
    for line, below in zip(lines, lines[1:]):
        found = re.search(r"EPSG:(\d+)", line)
        area = re.search(r"M (-?\d+) a (-?\d+), P (-?\d+) a (-?\d+)", below)
        degrees = re.search(r"lat\. (-?[\d.]+) a (-?[\d.]+), long\. (-?[\d.]+) a (-?[\d.]+)", below)
        if not found or not (area or degrees):
            continue
        code = found.group(1)
        # ETRS89's systems serve the mainland only, whose area is TM06's.
        bbox = json.loads(subprocess.run(["projinfo", "-q", "-o", "PROJJSON", "EPSG:" + AREA_OF.get(code, code)],
                                         capture_output=True, text=True).stdout)["bbox"]
        south, west = bbox["south_latitude"], bbox["west_longitude"]
        north, east = bbox["north_latitude"], bbox["east_longitude"]
        if degrees:
            expected = (south - 0.1, north + 0.1, west - 0.1, east + 0.1)
            if any(abs(float(g) - e) > 0.006 for g, e in zip(degrees.groups(), expected)):
                failures.append("the area of EPSG:%s in --list is %s, EPSG's is %s" % (code, degrees.groups(), expected))
            continue
        steps = [i / 200 for i in range(201)]
        edge = [(south + (north - south) * t, lon) for t in steps for lon in (west, east)]
        edge += [(lat, west + (east - west) * t) for t in steps for lat in (south, north)]
        done = subprocess.run(["cs2cs", "-f", "%.3f", "EPSG:4326", "EPSG:" + code], capture_output=True, text=True,
                              input="".join("%r %r\n" % xy for xy in edge))
        xy = [tuple(map(float, row.split()[:2])) for row in done.stdout.splitlines()]
        expected = (min(x for x, _ in xy) - 10000, max(x for x, _ in xy) + 10000,
                    min(y for _, y in xy) - 10000, max(y for _, y in xy) + 10000)
        if any(abs(int(g) - e) > 2 for g, e in zip(area.groups(), expected)):
            failures.append("the area of EPSG:%s in --list is %s, EPSG's projected is %s" %
                            (code, area.groups(), tuple(round(e) for e in expected)))
    return failures


def points(report):
    """Name -> (M, P) as the report writes them."""
    rows = {}
    for line in report.decode("cp1252").split("\r\n")[8:-1]:
        name, m, p = line.rsplit(None, 2)
        rows[name] = (m, p)
    return rows


def listed_routes(listing):
    """The routes of `tesra-cli --list`, each one line whatever its wrapping."""
    entries = []
    for line in listing.split("\n\n")[1].splitlines()[2:]:
        if line.startswith("      ") and entries:
            entries[-1] += " " + line.strip()
        else:
            entries.append(line.strip())
    return entries


def check_reports(cli, grids, write, workdir):
    failures = []
    listing = subprocess.run([cli, "--list"], capture_output=True, text=True).stdout
    entries = listed_routes(listing)
    for number, (source, target, routines, _) in ROUTES.items():
        shown = "(qualquer destino)" if source == "Qualquer" else target
        if not entries[number - 1].startswith("%d. %s --> %s: %s " % (number, source, shown, routines)):
            failures.append("route %d is not %s in --list" % (number, routines))
        report = run(cli, grids, number, workdir)
        golden = os.path.join(HERE, "rota-%02d.txt" % number)
        if write:
            with open(golden, "wb") as f:
                f.write(report)
        with open(golden, "rb") as f:
            if f.read() != report:
                failures.append("route %d: the report differs from %s" % (number, golden))
        rows = points(report)
        for name, expected in EXAMPLES.get(number, {}).items():
            if rows.get(name) != expected:
                failures.append("route %d: %s gives %s, not %s" % (number, name, rows.get(name), expected))
    if points(run(cli, grids, 7, workdir)) != points(run(cli, grids, 1, workdir)):
        failures.append("the generic route with the parameters of transf_01 differs from route 1")
    return failures + check_extended(cli, grids, workdir)


def check_proj(cli, grids, workdir):
    try:
        import pyproj
    except ImportError:
        print("pyproj is not installed (Debian package python3-pyproj): skipped")
        sys.exit(77)
    failures = []
    for number, (zone, codes) in OPERATIONS.items():
        utm = "+proj=utm +zone=%d +ellps=" % zone
        to_degrees = pyproj.Transformer.from_pipeline("+proj=pipeline +step +inv %sintl "
                                                      "+step +proj=unitconvert +xy_in=rad +xy_out=deg" % utm)
        operations = []
        for code in codes:
            op = pyproj.crs.CoordinateOperation.from_authority(*code.split(":"))
            steps = op.to_proj4().replace("+proj=pipeline", "", 1)
            operations.append((code, op.area_of_use.bounds, pyproj.Transformer.from_pipeline(
                "+proj=pipeline +step +inv %sintl +step +proj=unitconvert +xy_in=rad +xy_out=deg "
                "+step +proj=axisswap +order=2,1 %s +step +proj=axisswap +order=2,1 "
                "+step +proj=unitconvert +xy_in=deg +xy_out=rad +step %sGRS80" % (utm, steps, utm))))
        got = points(run(cli, grids, number, workdir, "."))
        with open(os.path.join(HERE, ROUTES[number][3]), encoding="cp1252") as f:
            for line in f.read().splitlines():
                name, m, p = line.split(",")
                if name.startswith("Exemplo"):
                    continue  # worked examples, not on any island
                lon, lat = to_degrees.transform(float(m), float(p))
                fits = [o for o in operations if o[1][0] <= lon <= o[1][2] and o[1][1] <= lat <= o[1][3]]
                if len(fits) != 1:
                    failures.append("route %d: %s lies in %d operation areas" % (number, name, len(fits)))
                    continue
                code, _, transformer = fits[0]
                expected = transformer.transform(float(m), float(p))
                off = max(abs(float(g) - e) for g, e in zip(got[name], expected))
                print("route %2d  %-24s %-12s %.3f m" % (number, name, code, off))
                if off > LIMIT:
                    failures.append("route %d: %s is %.3f m from %s" % (number, name, off, code))
    return failures


# The grids hold PROJ's own values at their nodes, so against cs2cs only the
# bilinear interpolation over 5 km cells and the rounding of the files and
# the report remain. Routes through ETRS89 TM06 take their Datum 73 step
# from the official polynomial, not from PROJ, so they are compared with
# that step done by tesra-cli and the grid step by cs2cs.
GRID_EPSG = {D73: "EPSG:27493", LISBOA: "EPSG:5018", TM06: "EPSG:3763"}
ROWS, COLUMNS, WEST, NORTH, SPACING, NO_DATA = 123, 66, -140000.0, 290000.0, 5000.0, -999999.0
GRID_LIMIT = 0.05
OUT_OF_LIMITS = "ERRO!! Ponto para além dos limites. ("


def grid_cells(grids, name, margin):
    """Cells (row, column from 0) whose corners, and `margin` rings of nodes
    around them, have values in both grids of the given name."""
    m, p = ([float(v) for v in open(os.path.join(grids, "%s_%s.asc" % (name, c))).read().split()] for c in "mp")
    return [(r, c) for r in range(margin, ROWS - 1 - margin) for c in range(margin, COLUMNS - 1 - margin)
            if all(g[i * COLUMNS + j] != NO_DATA for g in (m, p)
                   for i in range(r - margin, r + 2 + margin) for j in range(c - margin, c + 2 + margin))]


def sample(cells, seed):
    """300 points in the given cells, to the millimetre, reproducibly."""
    rnd, points = random.Random(seed), []
    for i in range(300):
        r, c = rnd.choice(cells)
        m = WEST + c * SPACING + rnd.randrange(0, 5000001) / 1000
        p = NORTH - r * SPACING - rnd.randrange(0, 5000001) / 1000
        points.append(("pt%03d" % i, round(m, 3), round(p, 3)))
    return points


def check_grids(cli, grids, workdir):
    if shutil.which("cs2cs") is None:
        print("cs2cs is not installed (Debian package proj-bin): skipped")
        sys.exit(77)
    failures = []

    def run_points(source, target, pts):
        inp = os.path.join(workdir, "pontos.txt")
        with open(inp, "w", newline="") as f:
            f.writelines("%s,%.6f,%.6f\r\n" % p for p in pts)
        return tesra(cli, grids, source, target, inp, workdir, ".")

    def ok(source, target, pts):
        done, report = run_points(source, target, pts)
        if done.returncode != 0 or report is None:
            sys.exit("%s -> %s failed: %s" % (source, target, done.stderr.decode()))
        rows = [(name, float(m), float(p)) for name, (m, p) in points(report).items()]
        if [r[0] for r in rows] != [p[0] for p in pts]:
            failures.append("%s -> %s: the report does not list the points in order" % (source, target))
        return rows

    def cs2cs(source, target, pts):
        text = "".join("%.6f %.6f\n" % (m, p) for _, m, p in pts)
        out = subprocess.run(["cs2cs", "-f", "%.6f", GRID_EPSG[source], GRID_EPSG[target]], input=text.encode(),
                             stdout=subprocess.PIPE, check=True, env=dict(os.environ, PROJ_NETWORK="OFF"))
        lines = out.stdout.decode().splitlines()
        if len(lines) != len(pts):
            failures.append("cs2cs left points out")
        return [(name, float(line.split()[0]), float(line.split()[1])) for (name, _, _), line in zip(pts, lines)]

    def compare(label, got, expected, limit=GRID_LIMIT):
        worst = max(max(abs(x[1] - y[1]), abs(x[2] - y[2])) for x, y in zip(got, expected))
        print("%-60s largest difference %.4f m%s" % (label, worst, "" if limit is None else " (limit %.2f m)" % limit))
        if limit is not None and worst >= limit:
            failures.append("%s: %.4f m" % (label, worst))

    # A good point first, so that a half-written file would show.
    def out_of_limits(source, target, pts, bad):
        done, report = run_points(source, target, pts)
        message = OUT_OF_LIMITS if bad is None else OUT_OF_LIMITS + bad + ")"
        if done.returncode != 1 or message not in done.stderr.decode() or report is not None:
            failures.append("%s -> %s with (%s): %d, %r" % (source, target, bad, done.returncode, done.stderr))

    # Routes 4 and 6, and there and back again.
    d73 = sample(grid_cells(grids, "73_lx", 0), 4)
    compare("Datum 73 -> Datum Lisboa (grid) vs cs2cs", ok(D73, LISBOA, d73), cs2cs(D73, LISBOA, d73))
    inner = sample(grid_cells(grids, "73_lx", 1), 46)
    compare("Datum 73 -> Datum Lisboa -> Datum 73 (grids) vs start", ok(LISBOA, D73, ok(D73, LISBOA, inner)), inner)
    lx = sample(grid_cells(grids, "lx_et", 0), 6)
    compare("Datum Lisboa -> Datum 73 (grid) vs cs2cs", ok(LISBOA, D73, lx), cs2cs(LISBOA, D73, lx))
    # Route 2: the polynomial, then the grid; a cell away from the no-data
    # nodes, as the polynomial moves the points.
    tm06 = cs2cs(D73, TM06, sample(grid_cells(grids, "73_lx", 1), 2))
    route2 = ok(TM06, LISBOA, tm06)
    compare("ETRS89 TM06 -> Datum Lisboa vs polynomial + cs2cs", route2, cs2cs(D73, LISBOA, ok(TM06, D73, tm06)))
    compare("ETRS89 TM06 -> Datum Lisboa vs cs2cs alone (informative)", route2, cs2cs(TM06, LISBOA, tm06), None)
    # Route 5: the grid, then the polynomial.
    lx_inner = sample(grid_cells(grids, "lx_et", 1), 5)
    route5 = ok(LISBOA, TM06, lx_inner)
    compare("Datum Lisboa -> ETRS89 TM06 vs cs2cs + polynomial", route5,
            ok(D73, TM06, cs2cs(LISBOA, D73, lx_inner)))
    compare("Datum Lisboa -> ETRS89 TM06 vs cs2cs alone (informative)", route5, cs2cs(LISBOA, TM06, lx_inner), None)

    out_of_limits(D73, LISBOA, [d73[0], ("nw", -137500, 287500)], "-137500; 287500")
    out_of_limits(D73, LISBOA, [d73[0], ("east", 185000.001, 0)], " 185000.001; 0")
    out_of_limits(LISBOA, D73, [lx[0], ("north", 0, 290000.001)], " 0; 290000.001")
    out_of_limits(LISBOA, TM06, [lx[0], ("south", 1000, -320000.5)], " 1000;-320000.5")
    # Beyond the east edge once the polynomial has taken it to Datum 73.
    out_of_limits(TM06, LISBOA, [tm06[0], ("far", 195000, 0)], None)
    return failures


def check_outputs(cli, grids, workdir):
    failures = []
    here, there = (lambda name: os.path.join(HERE, name)), (lambda name: os.path.join(workdir, name))

    def tesra(args, **kwargs):
        streams = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE}
        return subprocess.run([cli, "--grid-dir", grids, "--decimal-separator", ","] + args, **{**streams, **kwargs})

    def golden(number):
        with open(here("rota-%02d.txt" % number), "rb") as f:
            return f.read()

    # Both legs of a route through Datum 73 in turn give the route's own
    # report, all but the line that names the two systems.
    for number in (2, 5):
        source, target, _, given = ROUTES[number]
        tesra(["--from", source, "--to", D73, "--format", "points", here(given), there("d73.txt")])
        tesra(["--from", D73, "--to", target, there("d73.txt"), there("chained.txt")])
        with open(there("chained.txt"), "rb") as f:
            if f.read().split(b"\r\n")[1:] != golden(number).split(b"\r\n")[1:]:
                failures.append("route %d in two legs differs from its report" % number)

    # Standard input and output: the report alone, byte for byte, on a pipe
    # and on a file the shell opened.
    with open(here("continente-tm06.txt"), "rb") as f:
        piped = tesra(["--from", TM06, "--to", LISBOA, "-", "-"], input=f.read())
    with open(there("redirected.txt"), "wb") as out:
        named = tesra(["--from", TM06, "--to", LISBOA, here("continente-tm06.txt"), "/dev/stdout"], stdout=out)
    with open(there("redirected.txt"), "rb") as f:
        named.stdout = f.read()
    for run, shown in ((piped, b"sa\xc3\xadda padr\xc3\xa3o"), (named, b"/dev/stdout")):
        if (run.returncode, run.stdout, run.stderr) != (0, golden(2), b"Criado o ficheiro: " + shown + b"\n"):
            failures.append("standard output as %s: %s" % (shown, run.stderr))

    # csv read back by the program itself, through the identity parameters.
    identity = {"x": "X\r\n0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n",
                "y": "Y\r\n0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n"}
    for axis, text in identity.items():
        with open(there(axis), "w") as f:
            f.write("origem\r\ndestino\r\n" + text)
    tesra(["--from", TM06, "--to", D73, "--format", "csv", "--precision", "9", here("continente-tm06.txt"),
           there("pontos.csv")])
    with open(there("pontos.csv"), "rb") as f:
        header, body = f.read().split(b"\r\n", 1)
    # The names of a Windows-1252 input in UTF-8, and the system beside them.
    if "Lisboa Sé,".encode() not in body or not os.path.exists(there("pontos.prj")):
        failures.append("the csv of a Windows-1252 input is not UTF-8 with a .prj beside it")
    if shutil.which("ogrinfo"):
        info = subprocess.run(["ogrinfo", "-ro", "-al", "-oo", "X_POSSIBLE_NAMES=M", "-oo", "Y_POSSIBLE_NAMES=P",
                               there("pontos.csv")], capture_output=True, text=True).stdout
        if 'PROJCRS["Datum 73 / Modified Portuguese Grid"' not in info or "Nome (String) = Lisboa Sé" not in info:
            failures.append("ogrinfo reads the csv otherwise")
    tesra(["--from", "qualquer", "--param-x", there("x"), "--param-y", there("y"), "--format", "points", "--auto",
           there("pontos.csv"), there("back.txt")])
    with open(there("back.txt"), "rb") as f:
        back = [line.replace(b'"', b"").split(b",") for line in f.read().split(b"\r\n")[:-1]]
    rows = [line.split(b",") for line in body.split(b"\r\n")[:-1]]
    if header != b"Nome,M,P" or len(rows) != 7 or [(r[0], float(r[1]), float(r[2])) for r in back] != \
            [(r[0], float(r[1]), float(r[2])) for r in rows]:
        failures.append("the csv does not read back to its own coordinates")

    # A spreadsheet's `;` file with decimal commas and a height column, one
    # point of it beyond the grid, through the two steps of route 2 in skip
    # mode: each point keeps its own height, in the input's separator and
    # decimal mark in csv, as a property in geojson.
    with open(here("continente-tm06.txt"), encoding="cp1252") as f:
        given = [line.split(",") for line in f.read().splitlines()]
    heights = {name: "%d,5" % i for i, (name, _, _) in enumerate(given)}
    heights[given[0][0]] = 'x;"y'
    with open(there("cotas.txt"), "w", encoding="cp1252", newline="") as f:
        rows = given[:2] + [["Longe", "900000", "0"]] + given[2:]
        csv.writer(f, delimiter=";").writerows([["Nome", "M", "P", "Cota"]] + [
            [r[0], *(v.replace(".", ",") for v in r[1:]), heights.get(r[0], "1")] for r in rows])
    expected = {name: (m, p, heights[name]) for name, (m, p) in points(golden(2)).items()}
    for form in ("csv", "geojson"):
        run = tesra(["--from", TM06, "--to", LISBOA, "--auto", "--on-error", "skip", "--format", form,
                     there("cotas.txt"), there("cotas." + form)])
        if run.returncode != 3:
            failures.append("a ; file with heights in %s: %s" % (form, run.stderr.decode()))
            continue
        with open(there("cotas." + form), encoding="utf-8", newline="") as f:
            if form == "csv":
                table = list(csv.reader(f, delimiter=";"))
                got = {r[0]: tuple(r[1:]) for r in table[1:]} if table[0] == ["Nome", "M", "P", "Cota"] else {}
            else:
                got = {g["properties"]["nome"]: tuple(("%.3f" % g["properties"][v]).replace(".", ",") for v in "mp")
                       + (g["properties"]["Cota"],) for g in json.load(f)["features"]}
        if got != expected:
            failures.append("the %s of a ; file does not carry its heights: %s" % (form, got))

    # geojson read by a JSON parser and, where GDAL is installed, by ogrinfo:
    # the target's own coordinates with its code (geojson-crs), and RFC 7946's
    # longitude and latitude, within the route's accuracy of PROJ's
    # placement of the input, with the target's coordinates as m and p.
    report = {name: tuple(float(v.replace(",", ".")) for v in mp) for name, mp in points(golden(1)).items()}
    tesra(["--from", TM06, "--to", D73, "--format", "geojson-crs", here("continente-tm06.txt"), there("p.geojson")])
    with open(there("p.geojson"), encoding="utf-8") as f:
        collection = json.load(f)
    read = {f["properties"]["nome"]: tuple(f["geometry"]["coordinates"]) for f in collection["features"]}
    if read != report or collection["crs"]["properties"]["name"] != "urn:ogc:def:crs:EPSG::27493":
        failures.append("the geojson-crs does not read back to the report's coordinates and system")
    tesra(["--from", TM06, "--to", D73, "--format", "geojson", here("continente-tm06.txt"), there("w.geojson")])
    with open(there("w.geojson"), encoding="utf-8") as f:
        collection = json.load(f)
    features = {f["properties"]["nome"]: f for f in collection["features"]}
    given = read_points("continente-tm06.txt")
    placed = subprocess.run(["cs2cs", "-f", "%.9f", "EPSG:3763", "EPSG:4258"], capture_output=True, text=True,
                            input="".join("%r %r\n" % xy for xy in given.values())).stdout.splitlines() \
        if shutil.which("cs2cs") else []
    expected = {name: tuple(map(float, row.split()[:2])) for name, row in zip(given, placed)}
    if set(collection) != {"type", "features"} or set(features) != set(report):
        failures.append("the geojson is not an RFC 7946 collection of the report's points")
    for name, f in features.items():
        lon, lat = f["geometry"]["coordinates"]
        north, east = expected.get(name, (lat, lon))  # without PROJ, the point's own
        metres = math.hypot((lat - north) * 111200, (lon - east) * 111200 * math.cos(math.radians(lat)))
        if (f["properties"]["m"], f["properties"]["p"]) != report[name] or metres > 0.6:
            failures.append("the geojson places %s at %r, PROJ at %r (%.3f m)" % (name, (lon, lat), (east, north), metres))
    if shutil.which("ogrinfo"):
        info = subprocess.run(["ogrinfo", "-ro", "-al", there("p.geojson")], capture_output=True, text=True).stdout
        shown = sorted(tuple(float(v) for v in line.split("(")[1].rstrip(")").split())
                       for line in info.splitlines() if line.strip().startswith("POINT ("))
        if 'ID["EPSG",27493]' not in info or shown != sorted(report.values()):
            failures.append("ogrinfo reads the geojson-crs otherwise")
        info = subprocess.run(["ogrinfo", "-ro", "-al", there("w.geojson")], capture_output=True, text=True).stdout
        shown = sorted(tuple(float(v) for v in line.split("(")[1].rstrip(")").split())
                       for line in info.splitlines() if line.strip().startswith("POINT ("))
        if 'ID["EPSG",4326]' not in info or shown != sorted(tuple(f["geometry"]["coordinates"])
                                                             for f in features.values()):
            failures.append("ogrinfo reads the geojson otherwise")
    else:
        print("ogrinfo is not installed (Debian package gdal-bin): geojson read by json only")
    return failures


def main():
    checks = {"reports": lambda *a: check_reports(*a[:2], "--write" in sys.argv, a[2]),
              "proj": check_proj, "grids": check_grids, "outputs": check_outputs, "epsg": check_epsg}
    if len(sys.argv) < 4 or sys.argv[1] not in checks:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as workdir:
        failures = checks[sys.argv[1]](sys.argv[2], sys.argv[3], workdir)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
