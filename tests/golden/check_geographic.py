#!/usr/bin/python3
"""Every route of latitude and longitude, UTM 29 and WGS 84 against PROJ.

    check_geographic.py TESRA_CLI GRID_DIR

Each route of the last section of `tesra-cli --list`, over a lattice of its
area (mainland Portugal on land, or the islands it serves), against cs2cs:
a route between systems PROJ knows by their EPSG codes against cs2cs alone;
a route to or from a system of the route table against cs2cs for the
projection and tesra-cli's own route for the rest, by way of ETRS89 TM06 on
the mainland and of each island's UTM zone of PTRA08. Each within 1 mm, and
there and back again within 1 mm. Prints the largest difference of each
route; a route between systems this script does not know fails. Exit status
77 without cs2cs.
"""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # nothing written into the source tree
from check_routes import ISLANDS, ROUTES  # noqa: E402  (the island lattices)

# Metres. The projection alone agrees with PROJ to nanometres (geodesy_tm_proj);
# what a route adds to it is how its steps are put together.
LIMIT = 0.001

# The code PROJ computes each system in; WGS 84 is added per route below.
EPSG = {"etrs89geo": "EPSG:4258", "tm06": "EPSG:3763", "utm29": "EPSG:25829",
        "ptra08geo": "EPSG:5013", "utm25": "EPSG:5014", "utm26": "EPSG:5015", "utm28": "EPSG:5016"}
GEOGRAPHIC = {"etrs89geo", "ptra08geo", "wgs84"}
MAINLAND = {"etrs89geo", "tm06", "utm29", "d73", "lisboa", "militar"}
# The systems of the route table, reached from the system they hang on by
# tesra-cli's own routes (checked against PROJ by check_routes.py).
HUB = {"d73": "tm06", "lisboa": "tm06", "militar": "tm06", "observatorio": "utm25", "madeira": "utm28",
       **dict.fromkeys(("sbraz", "faial", "graciosa", "pico", "sjorge", "terceira"), "utm26")}
ZONES = ("utm25", "utm26", "utm28")

# A coarse outline of mainland Portugal (latitude, longitude), within a few
# km of its coast and border, clockwise from the mouth of the Minho.
MAINLAND_OUTLINE = [
    (41.87, -8.87), (42.03, -8.65), (42.15, -8.20), (41.81, -8.13), (41.92, -7.90), (41.90, -7.45),
    (41.95, -7.15), (41.99, -6.80), (41.95, -6.55), (41.58, -6.19), (41.50, -6.27), (41.03, -6.93),
    (40.60, -6.80), (39.66, -7.02), (39.62, -7.53), (39.40, -7.25), (39.05, -6.98), (38.87, -7.03),
    (38.45, -7.32), (38.17, -6.93), (37.95, -7.20), (37.56, -7.53), (37.18, -7.41), (36.96, -7.89),
    (37.08, -8.25), (37.10, -8.68), (37.00, -8.95), (37.02, -8.99), (37.45, -8.80), (37.95, -8.88),
    (38.38, -8.79), (38.42, -9.22), (38.67, -9.23), (38.78, -9.50), (38.96, -9.42), (39.36, -9.40),
    (39.60, -9.08), (40.15, -8.87), (40.64, -8.75), (41.15, -8.68), (41.38, -8.77), (41.69, -8.85),
]
MAINLAND_STEP = (0.045, 0.06)  # degrees of latitude and longitude: about 5 km
ISLAND_STEP = 1000  # metres


def inside(lat, lon, outline):
    crossings = False
    for (lat0, lon0), (lat1, lon1) in zip(outline, outline[1:] + outline[:1]):
        if (lat0 > lat) != (lat1 > lat) and lon < lon0 + (lat - lat0) * (lon1 - lon0) / (lat1 - lat0):
            crossings = not crossings
    return crossings


def read_list(cli):
    """Name -> alias of the systems, and the routes of the last section as
    (number, source alias, target alias), the aliases None for a route not
    between two systems of the list."""
    listing = subprocess.run([cli, "--list"], capture_output=True, text=True, check=True).stdout
    sections = listing.split("\n\n")
    aliases = {}
    for line in sections[0].splitlines()[1:]:
        found = re.match(r"  (\S+) +(?:EPSG:\d+|-) +(.+)$", line)
        if found:
            aliases[found.group(2)] = found.group(1)
    if not sections[-1].startswith("Latitude e longitude"):
        sys.exit("the last section of --list is not that of latitude and longitude")
    # Names as they are joined from wrapped lines, blanks left out.
    squeeze = lambda text: re.sub(r"\s+", "", text)  # noqa: E731
    pairs = {squeeze("%s-->%s:" % (s, t)): (aliases[s], aliases[t]) for s in aliases for t in aliases}
    routes = []
    for entry in re.split(r"\n  (?=\d+\. )", "\n" + sections[-1])[1:]:
        number, text = entry.split(". ", 1)
        head = squeeze(text)
        found = [pair for key, pair in pairs.items() if head.startswith(key)]
        routes.append((int(number), *(found[0] if len(found) == 1 else (None, None))))
    return aliases, routes


class Runs:
    def __init__(self, cli, grids, workdir, aliases):
        self.cli, self.grids, self.workdir = cli, grids, workdir
        # Each island route's boxes by the alias of its island's system.
        self.boxes = {aliases[route[0]]: ISLANDS[n] for n, route in ROUTES.items()
                      if n in ISLANDS and aliases[route[0]] in HUB}
        self.lattices, self.done = {}, {}

    def run(self, kind, source, target, points):
        """A run of tesra-cli or cs2cs; the same run again (WGS 84's routes
        ask for ETRS89's and PTRA08's again) is not made twice."""
        key = (kind, source, target, tuple(points))
        if key not in self.done:
            self.done[key] = getattr(self, kind)(source, target, points)
        return self.done[key]

    def tesra(self, source, target, points):
        """Points (name, a, b as text) through tesra-cli's route."""
        inp, out = os.path.join(self.workdir, "in.txt"), os.path.join(self.workdir, "out.txt")
        with open(inp, "w", newline="") as f:
            f.writelines("%s,%s,%s\r\n" % p for p in points)
        done = subprocess.run([self.cli, "--from", source, "--to", target, "--grid-dir", self.grids,
                               "--format", "points", inp, out], capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError("%s --> %s: %s" % (source, target, done.stderr.strip()))
        with open(out) as f:
            rows = [line.split(",") for line in f.read().splitlines()]
        if [r[0].strip('"') for r in rows] != [p[0] for p in points]:
            raise RuntimeError("%s --> %s: the points out are not the points in" % (source, target))
        return [(r[0].strip('"'), r[1], r[2]) for r in rows]

    def cs2cs(self, source, target, points):
        """The same points through PROJ between two codes, without the
        network, as the installed PROJ alone has them. Files, not pipes:
        cs2cs writes a line at a time."""
        inp, out = os.path.join(self.workdir, "cs2cs.in"), os.path.join(self.workdir, "cs2cs.out")
        with open(inp, "w") as f:
            f.writelines("%s %s\n" % p[1:] for p in points)
        with open(out, "w") as f:
            subprocess.run(["cs2cs", "-f", "%.12f", source, target, inp], stdout=f, check=True,
                           env=dict(os.environ, PROJ_NETWORK="OFF"))
        with open(out) as f:
            rows = [line.split()[:2] for line in f.read().splitlines()]
        if len(rows) != len(points) or any("*" in r for r in rows):
            raise RuntimeError("cs2cs %s %s failed on some points" % (source, target))
        return [(p[0], *r) for p, r in zip(points, rows)]

    def lattice(self, area, system, other):
        """The lattice of an area in a system: made in latitude and longitude,
        by cs2cs into the systems PROJ knows, by tesra-cli's own routes on
        into those of the route table."""
        key = (area, system)
        if key not in self.lattices:
            if system in HUB:
                points = self.run("tesra", HUB[system], system, self.lattice(area, HUB[system], other))
            elif area == "mainland":
                points = self.run("cs2cs", EPSG["etrs89geo"], code(system, other), mainland_lattice())
            else:
                islands = [i for i in self.boxes if area in (i, HUB[i], "islands")]
                points = self.run("cs2cs", EPSG["ptra08geo"], code(system, other), [
                    p for i in islands for p in self.run("cs2cs", EPSG[HUB[i]], EPSG["ptra08geo"],
                                                         island_lattice(i, self.boxes[i]))])
            self.lattices[key] = points
        return self.lattices[key]


def code(system, other):
    """PROJ's code for a system in a route with another. The program takes
    WGS 84 as ETRS89 on the mainland and as PTRA08 on the islands (a null
    transformation), so PROJ gets EPSG:4258 or EPSG:5013 for it, not 4326."""
    if system == "wgs84":
        return EPSG["etrs89geo"] if other in MAINLAND else EPSG["ptra08geo"]
    return EPSG[system]


def mainland_lattice():
    dlat, dlon = MAINLAND_STEP
    nodes = [(36.9 + i * dlat, -9.6 + j * dlon) for i in range(int(5.4 / dlat)) for j in range(int(3.5 / dlon))]
    return [("c%d" % k, "%.6f" % lat, "%.6f" % lon)
            for k, (lat, lon) in enumerate(n for n in nodes if inside(*n, MAINLAND_OUTLINE))]


def island_lattice(island, boxes):
    """An island's boxes (km of its own UTM coordinates, within a few
    hundred metres of PTRA08's) as points of its zone."""
    return [("%s_%d_%d" % (island, m, p), "%d" % m, "%d" % p) for w, s, e, n in boxes
            for m in range(w * 1000, e * 1000 + 1, ISLAND_STEP) for p in range(s * 1000, n * 1000 + 1, ISLAND_STEP)]


def area_of(source, target):
    """Where a route's points lie: an island system's island, the islands of
    a UTM zone, the mainland, or all the islands (PTRA08 and WGS 84)."""
    for system in (source, target):
        if system in HUB and HUB[system] in ZONES:
            return system
    for system in (source, target):
        if system in ZONES:
            return system
    return "mainland" if source in MAINLAND or target in MAINLAND else "islands"


def metres(system, got, expected):
    """The largest difference of two lists of points, in metres; for degrees
    by a sphere of the semi-major axis, which overstates it by under 1 %."""
    worst = 0.0
    for g, e in zip(got, expected):
        a, b = float(g[1]) - float(e[1]), float(g[2]) - float(e[2])
        if system in GEOGRAPHIC:
            scale = math.radians(6378137.0)
            a, b = a * scale, b * scale * math.cos(math.radians(float(e[1])))
        worst = max(worst, abs(a), abs(b))
    return worst


def check_route(runs, routes, number, source, target):
    """The route against PROJ and there and back: failures and what was measured."""
    given = runs.lattice(area_of(source, target), source, target)
    got = runs.run("tesra", source, target, given)
    if target in HUB:
        hub = HUB[target]
        expected = runs.run("tesra", hub, target, runs.run("cs2cs", code(source, target), code(hub, target), given))
        against = "cs2cs %s %s, then %s --> %s" % (code(source, target), code(hub, target), hub, target)
    elif source in HUB:
        hub = HUB[source]
        expected = runs.run("cs2cs", code(hub, source), code(target, source), runs.run("tesra", source, hub, given))
        against = "%s --> %s, then cs2cs %s %s" % (source, hub, code(hub, source), code(target, source))
    else:
        expected = runs.run("cs2cs", code(source, target), code(target, source), given)
        against = "cs2cs %s %s" % (code(source, target), code(target, source))
    failures, off = [], metres(target, got, expected)
    shown = "route %3d %-12s --> %-12s %4d points: %.6f mm from %s" % (
        number, source, target, len(given), off * 1000, against)
    if off > LIMIT:
        failures.append("route %d %s --> %s: %.4f mm from %s" % (number, source, target, off * 1000, against))
    if (target, source) in routes:
        back = metres(source, runs.run("tesra", target, source, got), given)
        shown += "; there and back %.6f mm" % (back * 1000)
        if back > LIMIT:
            failures.append("route %d %s --> %s there and back: %.4f mm" % (number, source, target, back * 1000))
    return failures, shown


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if shutil.which("cs2cs") is None:
        print("cs2cs is not installed (Debian package proj-bin): skipped")
        return 77
    cli, grids = sys.argv[1:]
    aliases, routes = read_list(cli)
    failures = []
    if not routes or [r[0] for r in routes] != list(range(routes[0][0], routes[0][0] + len(routes))):
        failures.append("the routes of the last section of --list were not all read")
    known = {(s, t) for _, s, t in routes}
    with tempfile.TemporaryDirectory() as workdir:
        runs = Runs(cli, grids, workdir, aliases)
        for number, source, target in routes:
            if source is None:
                failures.append("route %d of --list is not between two systems of its list" % number)
            elif not all(s in EPSG or s in HUB or s == "wgs84" for s in (source, target)) or \
                    source in HUB and target in HUB:
                failures.append("route %d: %s --> %s is not covered by this check" % (number, source, target))
            else:
                try:
                    found, shown = check_route(runs, known, number, source, target)
                except RuntimeError as error:
                    found, shown = ["route %d: %s" % (number, error)], ""
                failures += found
                if shown:
                    print(shown)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
