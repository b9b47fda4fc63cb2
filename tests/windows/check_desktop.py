#!/usr/bin/python3
"""tesra-ascii.exe under wine on a screen of its own (Xvfb), driven by its
scripted mode: the fields filled, OK pressed, the messages written to a file.

    check_desktop.py WINE_RUN TESRA_ASCII_EXE LINUX_TESRA_CLI

The window's report is byte for byte what tesra-cli --auto writes for the
same job with the decimal comma of the regional settings, for a point file and for a spreadsheet file; a report that would
replace a file asks first; a refused job writes nothing and says why.
"""

import os
import subprocess
import sys
import tempfile

WINE, EXE, LINUX = sys.argv[1:4]
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")
failures = []

if "TESRA_ON_XVFB" not in os.environ:
    os.environ["TESRA_ON_XVFB"] = "1"
    os.execvp("xvfb-run", ["xvfb-run", "-a", sys.executable] + sys.argv)


# A wine server the tests before started without a screen (and, in a new
# prefix, still finishing its first start) would give the window none: the
# window starts one of its own, on this screen.
subprocess.run(["wineserver", "-k"], capture_output=True, timeout=120)
subprocess.run(["wineserver", "-w"], capture_output=True, timeout=120)


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def windows(path):
    return "Z:" + path.replace("/", "\\")


def window(fields, folder):
    """The messages of one scripted run, title and text a line each."""
    messages = os.path.join(folder, "messages.txt")
    if os.path.exists(messages):
        os.remove(messages)
    env = dict(os.environ, TESRA_ASCII_MESSAGES=windows(messages), TESRA_ASCII_FILL="|".join(fields))
    subprocess.run([WINE, EXE], env=env, timeout=120, check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(messages):
        return []
    with open(messages, encoding="utf-8") as text:
        return text.read().splitlines()


def regional_decimal(symbol):
    """Control Panel, Region, Decimal symbol (None: the locale's again)."""
    key = "HKCU\\Control Panel\\International"
    args = ["add", key, "/v", "sDecimal", "/d", symbol, "/f"] if symbol else ["delete", key, "/v", "sDecimal", "/f"]
    subprocess.run([WINE, "reg"] + args, capture_output=True, timeout=120)


def cli(source, target, input_path, output):
    subprocess.run([LINUX, "--auto", "--decimal-separator", ",", "--from", source, "--to", target,
                    input_path, output], check=True, stdout=subprocess.DEVNULL)
    with open(output, "rb") as report:
        return report.read()


# A Portuguese user's decimal comma, whatever the locale of the run.
regional_decimal(",")
with tempfile.TemporaryDirectory() as folder:
    sheet = os.path.join(folder, "folha.csv")
    with open(os.path.join(EXAMPLES, "continente-d73.txt"), "rb") as points, open(sheet, "wb") as out:
        out.write("\ufeffNome;M;P\r\n".encode("utf-8"))
        for line in points.read().decode("cp1252").splitlines():
            name, m, p = line.split(",")
            out.write(f"{name};{m.replace('.', ',')};{p.replace('.', ',')}\r\n".encode("utf-8"))

    for name, source, target, path in [
            ("points", "Hayford-Gauss Datum 73", "ETRS89 TM06", os.path.join(EXAMPLES, "continente-d73.txt")),
            ("sheet", "Hayford-Gauss Datum 73", "ETRS89 TM06", sheet),
            ("madeira", "Madeira - UTM 28 Base SE", "UTM 28 ITRF93", os.path.join(EXAMPLES, "madeira-base-se.txt"))]:
        output = os.path.join(folder, name + ".txt")
        messages = window([source, target, windows(path), windows(output)], folder)
        check(messages == [f"Velmar - Tesra_ascii: Criado o ficheiro: {windows(output)}"], f"{name}: {messages}")
        if check(os.path.exists(output), f"{name}: no report"):
            with open(output, "rb") as report:
                check(report.read() == cli(source, target, path, os.path.join(folder, name + "-cli.txt")),
                      f"{name}: the report differs from tesra-cli's")

    # The same job again asks before it replaces the report.
    output = os.path.join(folder, "points.txt")
    messages = window(["Hayford-Gauss Datum 73", "ETRS89 TM06", windows(os.path.join(EXAMPLES, "continente-d73.txt")),
                       windows(output)], folder)
    check(messages[:1] == [f"Tesra_ascii: O ficheiro {windows(output)} já existe. Substituir?"],
          f"replace: {messages}")

    # A missing input: a message naming it, and no report.
    missing = os.path.join(folder, "nenhum.txt")
    output = os.path.join(folder, "nada.txt")
    messages = window(["Hayford-Gauss Datum 73", "ETRS89 TM06", windows(missing), windows(output)], folder)
    check(len(messages) >= 1 and "nenhum.txt" in "".join(messages), f"missing input: {messages}")
    check(not os.path.exists(output), "missing input: a report was written")

regional_decimal(None)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
