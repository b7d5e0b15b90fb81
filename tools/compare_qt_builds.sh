#!/usr/bin/env bash
# Runs two Tirn executables (typically the Qt 6 and the Qt 5 build) in batch mode with the same
# arguments and checks that everything they write as text is byte-identical: standard output
# (--print), standard error, the exit status, the spectrum table (--save-spectrum) and the line
# table (--save-lines). Rendered images are not compared: fonts and anti-aliasing may differ.
#
# The runs are the README's batch examples plus random editing scenarios drawn from a fixed seed
# over every field the plan model names (its inputs, choices and options), valid texts mostly,
# with malformed numbers, unknown formulas and impossible choices mixed in.
#
#   tools/compare_qt_builds.sh TIRN_A TIRN_B [SCENARIOS]      # default 100 scenarios
#   TIRN_COMPARE_SEED=7 tools/compare_qt_builds.sh ...        # another draw (default 20260101)
#   TIRN_COMPARE_KEEP=1 tools/compare_qt_builds.sh ...        # keep the runs' files to look at
#
# Exits 1 when any output differs (each difference is shown), 2 on a usage error.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 TIRN_A TIRN_B [SCENARIOS]" >&2
    exit 2
fi
tirn_a=$(realpath "$1")
tirn_b=$(realpath "$2")
scenarios=${3:-100}
seed=${TIRN_COMPARE_SEED:-20260101}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
for exe in "$tirn_a" "$tirn_b"; do
    [ -x "$exe" ] || { echo "$0: $exe is not an executable" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tirn-compare.XXXXXX")
[ -n "${TIRN_COMPARE_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

# One file per run, its arguments NUL-separated; the output file names are filled in per build.
python3 - "$root" "$seed" "$scenarios" "$work/cases" <<'EOF'
import os, random, re, shlex, sys

root, seed, count, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
os.makedirs(out)
model = open(os.path.join(root, "model/PlanModel.cpp"), encoding="utf-8").read()
atoms = open(os.path.join(root, "data/AtomData.h"), encoding="utf-8").read()


def table(name):
    m = re.search(name + r"\[[^\]]*\](?:\[\d+\])?\s*=\s*\{(.*?)\n?\};", model, re.S)
    if not m:
        sys.exit("compare_qt_builds: no table %s in model/PlanModel.cpp" % name)
    return m.group(1)


inputs = re.findall(r'\{"(\w+)",\s*"[^"]*"\}', table("INPUT_NAMES"))
outputs = re.findall(r'\{"(\w+)",\s*"[^"]*"\}', table("OUTPUT_NAMES"))
options = re.findall(r'\{"(\w+)",\s*(?:true|false)\}', table("OPTIONS"))
choices = re.findall(r'"(\w+)"', table("CHOICE_NAMES"))
m = re.search(r"edgeNames\(\)\s*\{(.*?)\}", atoms, re.S)
edges = re.findall(r'QStringLiteral\("(\w+)"\)', m.group(1)) if m else []
if len(inputs) < 10 or not outputs or not options or "SelectTE" not in choices or not edges:
    sys.exit("compare_qt_builds: cannot read the field names (inputs %d, outputs %d, options %d, "
             "choices %d, edges %d)" % (len(inputs), len(outputs), len(options), len(choices),
                                        len(edges)))
prints = ",".join(inputs + outputs + options + choices)
# Captions only the window holds: printing one makes batch mode build the form.
ui = open(os.path.join(root, "app/MainWindow.ui"), encoding="utf-8").read()
captions = sorted(set(re.findall(r'<widget class="QLabel" name="(\w+)"', ui)) - set(outputs))

rng = random.Random(seed)
FORMULAS = ["Fe2O3", "CuO", "BN", "Cu", "Pt", "PbO", "ZnO", "CeO2", "Au", "Ca(OH)2", "Al2O3",
            "SiO2", "UO2", "NaCl", "KBr", "H2O", "C", "Li2CO3", "Gd2O3", "PbTiO3", "CH3COOH",
            "Mg(OH)2(H2O)3", "[Fe2O3]1[BN]99", "[H2O]1[C2H5OH]1", "(O)0.209(N)0.781(Ar)0.008",
            "Fe0.5Ni0.5", "Y Ba2 Cu3 O7", "Mo", "Sn", "Ag"]
BAD_FORMULAS = ["", "Xx", "Fe1.2.3", ")Fe(", "(Fe[", "FE", "2H2O", "Hx2O", "Fe2Fe3", "[Fe]1O",
                "Fe 2 O 3 + Al"]
SYMBOLS = ["H", "B", "N", "O", "Na", "Al", "Si", "Ca", "Ti", "Fe", "Ni", "Cu", "Zn", "Br", "Mo",
           "Ag", "Sn", "Ce", "Gd", "Pt", "Au", "Pb", "U", "Xx"]
ODD_NUMBERS = ["", "0", "-1", "-0.5", "abc", "1,5", " 2 ", "nan", "inf", "+3", ".5", "5.", "1e300",
               "1e-300", "1e", "0x10", "1 000", "١٢"]
# Plausible ranges of the numeric inputs; names not listed get the generic one.
RANGES = {"SetCalcPointE": (1, 40), "StartE0": (1, 30), "EndE0": (5, 40), "ExtEnergy": (2, 40),
          "SetTgtWeight": (0.1, 500), "SetBndWeight": (0, 500), "SetCylDiam": (3, 20),
          "SetThick": (0.05, 5), "SetDMuT": (0.1, 4), "SetMuT": (0.1, 6), "I0Flux": (1e6, 1e13),
          "DetResolution": (0.05, 1), "MCAResolution": (0.001, 0.1), "Distance": (1, 100),
          "AirThickness": (0, 500), "DetRadius": (0.1, 5)}


def number(name):
    r = rng.random()
    if r < 0.12:
        return rng.choice(ODD_NUMBERS)
    lo, hi = RANGES.get(name, (0.01, 100))
    v = rng.uniform(lo, hi)
    style = rng.randrange(4)
    if style == 0:
        return "%g" % v
    if style == 1:
        return "%.3f" % v
    if style == 2:
        return str(int(round(v))) if v >= 1 else "%.2g" % v
    return "%.4e" % v


def elements(formula):
    return sorted(set(re.findall(r"[A-Z][a-z]?", formula)))


def scenario():
    target = rng.choice(FORMULAS)
    edits = [("SetTgtCmp", target)]
    for _ in range(rng.randint(0, 9)):
        r = rng.random()
        if r < 0.55:
            name = rng.choice(inputs)
            if "Cmp" in name or "Composition" in name:
                value = rng.choice(BAD_FORMULAS if rng.random() < 0.15 else FORMULAS)
                if name == "SetTgtCmp":
                    target = value
            else:
                value = number(name)
        elif r < 0.8:
            name = rng.choice(choices)
            if name == "SelectTE":  # an element of the target
                pool = elements(target) if rng.random() < 0.85 else SYMBOLS
                value = rng.choice(pool or SYMBOLS)
            elif name == "SelectAE":  # an edge
                value = rng.choice(edges) if rng.random() < 0.9 else rng.choice(["M", "k", ""])
            else:  # items unknown here: mostly refused, which both builds must report alike
                value = rng.choice(edges + SYMBOLS)
        else:
            name = rng.choice(options)
            value = rng.choice(["1", "1", "true", "0", "false"])
        edits.append((name, value))
    return edits


cases, total = [], 0
# The README's examples as they are written, then with both text tables.
# Commands in the README's fenced blocks, continuation lines joined; the synopsis (with its
# [optional] parts) is not a command.
readme = open(os.path.join(root, "README.md"), encoding="utf-8").read()
commands, fenced, pending = [], False, ""
for line in readme.splitlines():
    if line.startswith("```"):
        fenced, pending = not fenced, ""
        continue
    if not fenced:
        continue
    line = pending + line.strip()
    if line.endswith("\\"):
        pending = line[:-1] + " "
        continue
    pending = ""
    if re.match(r"Tirne? --batch", line) and "[" not in line:
        commands.append(shlex.split(line))
for command in commands:
    args = command[1:]
    # A run as "Tirne" is the English launcher; -e says the same to the program.
    if command[0] == "Tirne":
        args = ["-e"] + args
    cases.append(args)
    cases.append(args + ["--save-spectrum", "@SPECTRUM@", "--save-lines", "@LINES@"])
if not cases:
    sys.exit("compare_qt_builds: no batch example found in README.md")
for _ in range(count):
    edits = scenario()
    total += len(edits)
    args = ["--batch", rng.choice(["-e", "-j"])]
    for name, value in edits:
        args += ["--set", "%s=%s" % (name, value)]
    shown = prints
    if captions and rng.random() < 0.2:
        shown += "," + ",".join(rng.sample(captions, min(3, len(captions))))
    args += ["--print", shown, "--save-spectrum", "@SPECTRUM@", "--save-lines", "@LINES@"]
    cases.append(args)
for i, args in enumerate(cases):
    with open(os.path.join(out, "%04d" % i), "wb") as f:
        f.write(b"".join(a.encode("utf-8") + b"\0" for a in args))
print("compare_qt_builds: %d README runs, %d random scenarios with %d edits (seed %d) over "
      "%d inputs, %d choices, %d options" % (len(cases) - count, count, total, seed, len(inputs),
                                             len(choices), len(options)))
EOF

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
# Both programs write to the same paths (messages name them), one after the other; each run's
# files are then moved aside.
run() { # run EXE CASE RESULT_DIR
    local exe=$1 case=$2 result=$3 out=$work/out args=() a status=0
    rm -rf "$out"
    mkdir -p "$out" "$(dirname "$result")"
    while IFS= read -r -d '' a; do
        a=${a//@SPECTRUM@/$out/spectrum.txt}
        args+=("${a//@LINES@/$out/lines.csv}")
    done <"$case"
    (cd "$out" && "$exe" "${args[@]}" >"$work/stdout" 2>"$work/stderr") || status=$?
    mv "$work/stdout" "$work/stderr" "$out/"
    echo "$status" >"$out/status"
    mv "$out" "$result"
}

differences=0
runs=0
successes=0
for case in "$work"/cases/*; do
    n=$(basename "$case")
    run "$tirn_a" "$case" "$work/a/$n"
    run "$tirn_b" "$case" "$work/b/$n"
    runs=$((runs + 1))
    [ "$(cat "$work/a/$n/status")" = 0 ] && successes=$((successes + 1))
    for f in status stdout stderr spectrum.txt lines.csv; do
        a="$work/a/$n/$f" b="$work/b/$n/$f"
        if [ ! -e "$a" ] && [ ! -e "$b" ]; then
            continue
        fi
        if [ ! -e "$a" ] || [ ! -e "$b" ] || ! cmp -s "$a" "$b"; then
            differences=$((differences + 1))
            echo "DIFFERENT $f in run $n: Tirn $(tr '\0' ' ' <"$case")"
            diff -u --label "$tirn_a" --label "$tirn_b" "$a" "$b" 2>&1 | head -20 || true
        fi
    done
done
echo "compare_qt_builds: $runs runs ($successes exited 0), $differences differing outputs"
[ "$differences" -eq 0 ]
