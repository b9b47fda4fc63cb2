#!/usr/bin/python3
"""tesra-cli.exe under wine, where Windows does things its own way.

    check_windows.py WINE_RUN TESRA_CLI_EXE GRID_DIR LINUX_TESRA_CLI

Every route with the decimal symbol of the regional settings, ',' and '.',
byte for byte as the Linux build writes it; the same messages, standard
output and exit status as the Linux build for refusals, faults, usage
errors, streams and listings; paths in Portuguese and in scripts outside
Windows-1252, with '\\' and '/'; the program run from such a folder; an
existing output replaced with its attributes kept, a read-only one and the
input under another spelling refused; nothing left behind after success,
failure or Ctrl-C; messages to a console in UTF-16.
"""

import os
import pty
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "..", "golden")
sys.path.insert(0, GOLDEN)
from check_routes import ROUTES  # noqa: E402

WINE, EXE, GRIDS, LINUX = sys.argv[1:5]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def wine(args, cwd, env=None, stdin=None, exe=EXE):
    return subprocess.run([WINE, exe] + args, cwd=cwd, capture_output=True, input=stdin,
                          env=dict(os.environ, **(env or {})))


def linux(args, cwd, stdin=None):
    return subprocess.run([LINUX] + args, cwd=cwd, capture_output=True, input=stdin)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def listing(root):
    return sorted(os.path.relpath(os.path.join(base, n), root)
                  for base, dirs, names in os.walk(root) for n in names + dirs)


def route_args(number, sep=None):
    source, target, _, points = ROUTES[number]
    args = ["--from", source, "--to", target, "--grid-dir", GRIDS]
    if sep:
        args += ["--decimal-separator", sep]
    if source == "Qualquer":
        args += ["--param-x", os.path.join(GOLDEN, "parametros-x.txt"),
                 "--param-y", os.path.join(GOLDEN, "parametros-y.txt")]
    return args, os.path.join(GOLDEN, points)


def regional_decimal(symbol):
    """Control Panel, Region, Decimal symbol: the user's own setting, which
    wins over the locale's (None: the locale's again)."""
    key = "HKCU\\Control Panel\\International"
    args = ["add", key, "/v", "sDecimal", "/d", symbol, "/f"] if symbol else ["delete", key, "/v", "sDecimal", "/f"]
    subprocess.run([WINE, "reg"] + args, capture_output=True)


def separators_from_regional_settings(work):
    try:
        for symbol in (",", "."):
            regional_decimal(symbol)
            for number in ROUTES:
                args, points = route_args(number)
                done = wine(args + [points, "w.txt"], work)
                linux_args, _ = route_args(number, symbol)
                linux(linux_args + [points, "l.txt"], work)
                check(done.returncode == 0 and read(os.path.join(work, "w.txt")) == read(os.path.join(work, "l.txt")),
                      "route %d, decimal symbol '%s': report differs from Linux's: status %d, %s"
                      % (number, symbol, done.returncode, done.stderr.decode()))
    finally:
        regional_decimal(None)


def same_as_linux(work):
    """Messages, standard output, exit status and files, case by case."""
    files = {
        "a.txt": b"A,100000,200000\r\nB,-50000,-100000\r\n",
        "mau.txt": b"A,1,2\r\nB,x,3\r\n",
        "fora.txt": b"A,0,0\r\nFORA,500000,0\r\n",
        "vazio.txt": b"",
    }
    cases = [
        ["--from", "tm06", "--to", "d73", "a.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "nao-existe.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "mau.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "vazio.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "a.txt", "a.txt"],
        ["--from", "tm06", "--to", "d73", "a.txt", "pasta"],
        ["--from", "xx", "--to", "d73", "a.txt", "s.txt"],
        ["--from", "sbraz", "--to", "d73", "a.txt", "s.txt"],
        ["--from", "d73", "--to", "lisboa", "--grid-dir", GRIDS, "--on-error", "skip", "--rejects", "r.txt",
         "fora.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "--format", "csv", "a.txt", "-"],
        ["--from", "tm06", "--to", "d73", "--format", "geojson", "-", "s.txt"],
        ["--from", "tm06", "--to", "etrs89geo", "--angle-format", "dms", "a.txt", "s.txt"],
        ["--from", "tm06", "--to", "d73", "--output-dir", "lote", "a.txt", "mau.txt"],
        ["--bogus"], ["--list"], ["--help"], ["--version"], [],
    ]
    for args in cases:
        results = []
        for run in (wine, linux):
            folder = os.path.join(work, run.__name__)
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(os.path.join(folder, "pasta"))
            for name, data in files.items():
                write(os.path.join(folder, name), data)
            done = run(args, folder, stdin=files["a.txt"])
            made = {n: read(os.path.join(folder, n)) for n in listing(folder)
                    if os.path.isfile(os.path.join(folder, n))}
            # A batch names its outputs with the system's separator.
            results.append((done.returncode, done.stdout.replace(b"lote\\", b"lote/"), done.stderr, made))
        check(results[0] == results[1], "differs from Linux: %s\n  wine:  %s\n  linux: %s"
              % (args, results[0][:3], results[1][:3]))


def unicode_paths(work):
    """Names in Portuguese and beyond Windows-1252, either separator, the
    grid folder and the program's own folder among them."""
    expected = read(os.path.join(GOLDEN, "rota-02.txt"))
    args, points = route_args(2, ",")
    for folder, name in (("São João", "relatório ç.txt"), ("Ελλάδα 測量 🗺", "出力 ü.txt")):
        os.makedirs(os.path.join(work, folder), exist_ok=True)
        shutil.copy(points, os.path.join(work, folder, "pontos ã.txt"))
        for sep in ("\\", "/"):
            out = os.path.join(work, folder, name)
            if os.path.exists(out):
                os.remove(out)
            done = wine(args + [folder + sep + "pontos ã.txt", folder + sep + name], work)
            check(done.returncode == 0 and os.path.exists(out) and read(out) == expected,
                  "%s%s%s: %s" % (folder, sep, name, done.stderr.decode()))
            check(done.stdout == ("Criado o ficheiro: %s%s%s\n" % (folder, sep, name)).encode(),
                  "message names the path as given: %r" % done.stdout)
    # A batch into a new folder of such names.
    done = wine(args + ["--output-dir", "São João\\lote ελ", "Ελλάδα 測量 🗺/pontos ã.txt"], work)
    out = os.path.join(work, "São João", "lote ελ", "pontos ã.txt")
    check(done.returncode == 0 and os.path.exists(out) and read(out) == expected,
          "batch into São João\\lote ελ: %s %s" % (listing(work), done.stderr.decode()))
    # The program and its grids in a folder of such a name: found beside it.
    program = os.path.join(work, "Programa São ξ")
    os.makedirs(program)
    shutil.copy(EXE, program)
    for grid in ("73_lx_m.asc", "73_lx_p.asc", "lx_et_m.asc", "lx_et_p.asc"):
        shutil.copy(os.path.join(GRIDS, grid), program)
    args = ["--from", "tm06", "--to", "lisboa", "--decimal-separator", ","]
    done = wine(args + [points, "grelhas.txt"], work, exe=os.path.join(program, os.path.basename(EXE)))
    check(done.returncode == 0 and read(os.path.join(work, "grelhas.txt")) == expected,
          "grids beside a program in %s: %s" % (program, done.stderr.decode()))


def replacing(work):
    """An existing output is replaced whole, keeping its attributes; a
    read-only one, and the input spelt otherwise, are refused untouched."""
    folder = os.path.join(work, "substituir")
    os.makedirs(folder)
    args, points = route_args(1, ",")
    shutil.copy(points, os.path.join(folder, "pontos.txt"))
    expected = read(os.path.join(GOLDEN, "rota-01.txt"))
    write(os.path.join(folder, "saida.txt"), b"velho\r\n")
    subprocess.run([WINE, "cmd", "/c", "attrib", "+h", "saida.txt"], cwd=folder, capture_output=True)
    done = wine(args + ["pontos.txt", "saida.txt"], folder)
    check(done.returncode == 0 and read(os.path.join(folder, "saida.txt")) == expected,
          "existing output not replaced: %s" % done.stderr.decode())
    attrib = subprocess.run([WINE, "cmd", "/c", "attrib", "saida.txt"], cwd=folder, capture_output=True).stdout
    check(b"H" in attrib.split(b"saida")[0], "hidden attribute lost in the replacement: %r" % attrib)
    check(listing(folder) == ["pontos.txt", "saida.txt"], "left behind: %s" % listing(folder))

    for output in (".\\PONTOS.TXT", "../substituir/Pontos.txt"):
        done = wine(args + ["pontos.txt", output], folder)
        check(done.returncode == 1 and b"o pr\xc3\xb3prio ficheiro de entrada" in done.stderr
              and read(os.path.join(folder, "pontos.txt")) == read(points),
              "output %s = input not refused: %s" % (output, done.stderr.decode()))

    write(os.path.join(folder, "so-leitura.txt"), b"guardar\r\n")
    os.chmod(os.path.join(folder, "so-leitura.txt"), 0o444)  # wine's read-only attribute
    done = wine(args + ["pontos.txt", "so-leitura.txt"], folder)
    check(done.returncode == 1 and read(os.path.join(folder, "so-leitura.txt")) == b"guardar\r\n"
          and "sem permissão de acesso".encode() in done.stderr,
          "read-only output: status %d, %s" % (done.returncode, done.stderr.decode()))
    check(listing(folder) == ["pontos.txt", "saida.txt", "so-leitura.txt"], "left behind: %s" % listing(folder))


def nothing_left_behind(work):
    """A failure leaves the old output as it was; Ctrl-C (SIGINT, which
    wine hands to the console handler) the same, with status 130."""
    folder = os.path.join(work, "limpeza")
    os.makedirs(folder)
    write(os.path.join(folder, "mau.txt"), b"A,1,2\r\n" * 5000 + b"B,x,3\r\n")
    write(os.path.join(folder, "saida.txt"), b"velho\r\n")
    done = wine(["--from", "tm06", "--to", "lisboa", "--grid-dir", GRIDS, "mau.txt", "saida.txt"], folder)
    check(done.returncode == 1 and read(os.path.join(folder, "saida.txt")) == b"velho\r\n"
          and listing(folder) == ["mau.txt", "saida.txt"], "after a failure: %s" % listing(folder))

    # Standard input held open keeps the job waiting with a temporary made:
    # the report's own (one step), or the nameless intermediate (two steps).
    for target in ("d73", "lisboa"):
        child = subprocess.Popen([WINE, EXE, "--from", "tm06", "--to", target, "--grid-dir", GRIDS, "-", "saida.txt"],
                                 cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        child.stdin.write(b"A,1,2\r\n" * 1000)
        child.stdin.flush()
        deadline = time.time() + 30
        while time.time() < deadline and not [n for n in os.listdir(folder) if ".tesra-" in n]:
            time.sleep(0.05)
        check(time.time() < deadline, "no temporary while the job runs: %s" % listing(folder))
        child.send_signal(signal.SIGINT)
        child.wait(timeout=30)  # its input still open: the job cannot end by itself
        child.stdin.close()
        err = child.stderr.read()
        child.stdout.close()
        child.stderr.close()
        # Wine's server closes the dead process's files a moment after its
        # exit status is out; a file to be deleted on close goes then.
        deadline = time.time() + 5
        while time.time() < deadline and len(listing(folder)) > 2:
            time.sleep(0.05)
        check(child.returncode == 130 and err.endswith(
            "\nInterrompido (Ctrl-C): o ficheiro de saída não foi criado nem alterado.\n".encode()),
            "Ctrl-C: %d %s" % (child.returncode, err))
        check(read(os.path.join(folder, "saida.txt")) == b"velho\r\n" and listing(folder) == ["mau.txt", "saida.txt"],
              "after Ctrl-C (to %s): %s" % (target, listing(folder)))


def console_messages(work):
    """On a terminal wine gives the program a console: the messages reach
    it through WriteConsoleW and come back out as the same UTF-8."""
    master, slave = pty.openpty()
    child = subprocess.Popen([WINE, EXE, "--from", "sbraz", "--to", "açores", "a.txt", "s.txt"], cwd=work,
                             stdin=slave, stdout=slave, stderr=slave, start_new_session=True)
    os.close(slave)
    shown = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
    child.wait()
    os.close(master)
    check(child.returncode == 1 and "Não há transformação de \"Açores - G.Oriental".encode() in shown
          and "\"açores\"".encode() in shown, "console: %r" % shown)


def main():
    if not os.path.exists(LINUX):
        sys.exit("%s: no Linux build to compare with" % LINUX)
    with tempfile.TemporaryDirectory(prefix="tesra-windows-") as work:
        for test in (separators_from_regional_settings, same_as_linux, unicode_paths, replacing,
                     nothing_left_behind, console_messages):
            started = time.time()
            scratch = os.path.join(work, test.__name__)
            os.makedirs(scratch)
            test(scratch)
            print("%-36s %5.1f s" % (test.__name__, time.time() - started))
    for failure in failures:
        print("FAILED:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
