#!/usr/bin/env bash
# Runs Tirn executables in batch mode with the same arguments and checks that everything they
# write as text is the same: the exit status, standard output (--print), standard error, the
# spectrum table (--save-spectrum), the line table (--save-lines) and the session
# (--save-session). Rendered images are not compared: fonts and anti-aliasing may differ.
#
# The runs are the README's batch examples plus random editing scenarios drawn from a fixed seed
# over every field the build lists (`Tirn --batch --list-fields`: its inputs, outputs, options
# and choices), valid texts mostly, with malformed numbers, unknown formulas and impossible
# choices mixed in. The same seed and count give the same runs as long as the field table, the
# README examples, the edge names and the window's captions stay the same.
#
#   tools/compare_builds.sh A B [N]                     # two builds on N new scenarios (100)
#   tools/compare_builds.sh --cases DIR A B             # on the runs kept in DIR instead
#   tools/compare_builds.sh --record DIR A [N]          # run one build, keep runs and outputs
#   tools/compare_builds.sh --against DIR A             # compare a build with a recording
#   tools/compare_builds.sh --generate DIR A [N]        # only write the runs into DIR
#
#   --tolerance REL   numbers may differ by at most REL relative (|a-b| <= REL*max(|a|,|b|));
#                     the text around them and the exit status must still match exactly.
#                     Without it every output must match byte for byte.
#   --fields FILE     read the field table from FILE (what --list-fields prints) instead of
#                     asking the first build, for a build that cannot list its fields
#   --cases DIR       also with --record: record the runs kept in DIR
#   TIRN_COMPARE_SEED=7 ...    another draw (default 20260101)
#   TIRN_COMPARE_KEEP=1 ...    keep the work directory to look at
#
# A run directory holds one file per run, its arguments NUL-separated, with @SPECTRUM@, @LINES@
# and @SESSION@ where the output files go. A recording holds one directory per run: its
# arguments (args) and what the build wrote (status, stdout, stderr, spectrum.txt, lines.csv,
# session.tirn). Output files are named relative to the run's working directory, so messages
# that name them read the same wherever the runs happen.
#
# Ends with "N runs, M differing outputs". Exits 1 when any output differs (each difference is
# shown), 2 on a usage error.
set -euo pipefail

me=compare_builds
usage() {
    sed -n '/^#   tools/s/^#   //p' "${BASH_SOURCE[0]}" | sed 's/^/usage: /' >&2
    echo "$me: $*" >&2
    exit 2
}

cases_dir='' record_dir='' against_dir='' generate_dir='' tolerance='' fields_file=''
positional=()
while [ $# -gt 0 ]; do
    case $1 in
    --cases | --record | --against | --generate | --tolerance | --fields)
        [ $# -ge 2 ] || usage "$1 needs a value"
        case $1 in
        --cases) cases_dir=$2 ;;
        --record) record_dir=$2 ;;
        --against) against_dir=$2 ;;
        --generate) generate_dir=$2 ;;
        --tolerance) tolerance=$2 ;;
        --fields) fields_file=$2 ;;
        esac
        shift 2
        ;;
    --) shift; positional+=("$@"); break ;;
    -*) usage "unknown option $1" ;;
    *) positional+=("$1"); shift ;;
    esac
done

count=
if [ ${#positional[@]} -gt 0 ] && [[ ${positional[-1]} =~ ^[0-9]+$ ]]; then
    count=${positional[-1]}
    unset 'positional[-1]'
fi
exes=()
for exe in "${positional[@]}"; do
    if [ ! -f "$exe" ] || [ ! -x "$exe" ]; then
        usage "$exe is not an executable"
    fi
    exes+=("$(realpath "$exe")")
done

modes=0
for m in "$record_dir" "$against_dir" "$generate_dir"; do
    [ -z "$m" ] || modes=$((modes + 1))
done
[ $modes -le 1 ] || usage "--record, --against and --generate exclude each other"
if [ -n "$against_dir" ]; then
    wanted=1
    [ -z "$cases_dir" ] || usage "--against runs the recorded runs; --cases does not go with it"
    [ -z "$count" ] || usage "--against runs the recorded runs; no scenario count"
elif [ -n "$record_dir" ]; then
    wanted=1
elif [ -n "$generate_dir" ]; then
    wanted=$([ -n "$fields_file" ] && echo "${#exes[@]}" || echo 1)
    [ -z "$cases_dir" ] || usage "--generate writes new runs; --cases does not go with it"
    [ "${#exes[@]}" -le 1 ] || usage "--generate takes one executable"
else
    wanted=2
fi
[ ${#exes[@]} -eq "$wanted" ] || usage "expected $wanted executable(s), got ${#exes[@]}"
[ -z "$cases_dir" ] || [ -z "$count" ] || usage "--cases runs the kept runs; no scenario count"
[ -z "$cases_dir" ] || [ -d "$cases_dir" ] || usage "no run directory $cases_dir"
[ -z "$against_dir" ] || [ -d "$against_dir" ] || usage "no recording $against_dir"
if [ -n "$tolerance" ]; then
    python3 -c 'import math, sys; v = float(sys.argv[1]); sys.exit(not (math.isfinite(v) and v >= 0))' \
        "$tolerance" 2>/dev/null || usage "--tolerance takes a relative difference >= 0, got $tolerance"
fi
for d in "$record_dir" "$generate_dir"; do
    [ -z "$d" ] || [ ! -e "$d" ] || [ -z "$(ls -A "$d")" ] || usage "$d exists and is not empty"
done
[ -z "$fields_file" ] || [ -f "$fields_file" ] || usage "no field table $fields_file"
count=${count:-100}
seed=${TIRN_COMPARE_SEED:-20260101}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tirn-compare.XXXXXX")
[ -n "${TIRN_COMPARE_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen

# ---- the runs ----
generate() { # generate DIR: new scenarios into DIR
    if [ -n "$fields_file" ]; then
        cp "$fields_file" "$work/fields"
    elif ! "${exes[0]}" --batch --list-fields >"$work/fields" 2>"$work/fields.err"; then
        echo "$me: ${exes[0]} does not list its fields (--batch --list-fields):" >&2
        head -5 "$work/fields.err" >&2
        echo "$me: give --fields FILE, or name a build that lists them first" >&2
        exit 2
    fi
    python3 - "$root" "$seed" "$count" "$1" "$work/fields" <<'EOF'
import os, random, re, shlex, sys

root, seed, count, out, fields = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], \
    sys.argv[5]
os.makedirs(out, exist_ok=True)
atoms = open(os.path.join(root, "data/AtomData.h"), encoding="utf-8").read()

# The field table: NAME, KIND, UNIT, DEFAULT, RULE per line, tab-separated, in the table's
# order; only the names and kinds matter here.
kinds = {"input": [], "output": [], "option": [], "choice": []}
for number, line in enumerate(open(fields, encoding="utf-8").read().splitlines(), 1):
    if not line.strip():
        continue
    cells = line.split("\t")
    if len(cells) != 5 or not re.fullmatch(r"\w+", cells[0]) or cells[1] not in kinds:
        sys.exit("compare_builds: field table line %d is not NAME<TAB>KIND<TAB>UNIT<TAB>DEFAULT"
                 "<TAB>RULE with KIND input, output, option or choice: %r" % (number, line))
    kinds[cells[1]].append(cells[0])
inputs, outputs, options, choices = (kinds[k] for k in ("input", "output", "option", "choice"))
m = re.search(r"edgeNames\(\)\s*\{(.*?)\}", atoms, re.S)
edges = re.findall(r'QStringLiteral\("(\w+)"\)', m.group(1)) if m else []
if len(inputs) < 10 or not outputs or not options or "SelectTE" not in choices or not edges:
    sys.exit("compare_builds: cannot read the field names (inputs %d, outputs %d, options %d, "
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


OUTPUTS = ["--save-spectrum", "@SPECTRUM@", "--save-lines", "@LINES@", "--save-session",
           "@SESSION@"]
cases, total = [], 0
# The README's examples as they are written, then with every text output.
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
    cases.append(args + OUTPUTS)
if not cases:
    sys.exit("compare_builds: no batch example found in README.md")
for _ in range(count):
    edits = scenario()
    total += len(edits)
    args = ["--batch", rng.choice(["-e", "-j"])]
    for name, value in edits:
        args += ["--set", "%s=%s" % (name, value)]
    shown = prints
    if captions and rng.random() < 0.2:
        shown += "," + ",".join(rng.sample(captions, min(3, len(captions))))
    args += ["--print", shown] + OUTPUTS
    cases.append(args)
for i, args in enumerate(cases):
    with open(os.path.join(out, "%04d" % i), "wb") as f:
        f.write(b"".join(a.encode("utf-8") + b"\0" for a in args))
print("compare_builds: %d README runs, %d random scenarios with %d edits (seed %d) over "
      "%d inputs, %d choices, %d options" % (len(cases) - count, count, total, seed, len(inputs),
                                             len(choices), len(options)))
EOF
}

if [ -n "$generate_dir" ]; then
    generate "$generate_dir"
    exit 0
fi

# Every run: its case file (NUL-separated arguments) and a name.
cases=()
if [ -n "$against_dir" ]; then
    for d in "$against_dir"/*/; do
        [ -f "$d/args" ] && cases+=("$d/args")
    done
    [ ${#cases[@]} -gt 0 ] || usage "no recorded runs in $against_dir"
elif [ -n "$cases_dir" ]; then
    for f in "$cases_dir"/*; do
        [ -f "$f" ] && cases+=("$f")
    done
    [ ${#cases[@]} -gt 0 ] || usage "no runs in $cases_dir"
else
    generate "$work/cases"
    cases=("$work"/cases/*)
fi
name_of() { # the run's name: its file's, or for a recording its directory's
    if [ -n "$against_dir" ]; then
        basename "$(dirname "$1")"
    else
        basename "$1"
    fi
}

outputs=(status stdout stderr spectrum.txt lines.csv session.tirn)
run() { # run EXE CASE RESULT_DIR
    local exe=$1 case=$2 result=$3 out=$work/out args=() a status=0
    rm -rf "$out"
    mkdir -p "$out" "$(dirname "$result")"
    while IFS= read -r -d '' a; do
        a=${a//@SPECTRUM@/spectrum.txt}
        a=${a//@LINES@/lines.csv}
        args+=("${a//@SESSION@/session.tirn}")
    done <"$case"
    (cd "$out" && "$exe" "${args[@]}" >"$work/stdout" 2>"$work/stderr") || status=$?
    mv "$work/stdout" "$work/stderr" "$out/"
    echo "$status" >"$out/status"
    cp "$case" "$out/args"
    mv "$out" "$result"
}

# Token-wise comparison: numbers (not parts of names such as label_15 or Fe2O3) within the
# tolerance, everything else exactly.
cat >"$work/numeric.py" <<'EOF'
import math, re, sys

NUMBER = re.compile(rb"(?<![A-Za-z0-9_.])([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)(?![0-9.])")
tolerance = float(sys.argv[1])
a, b = (NUMBER.split(open(p, "rb").read()) for p in sys.argv[2:4])
if len(a) != len(b):
    sys.exit("not the same sequence of numbers and text")
for i, (x, y) in enumerate(zip(a, b)):
    if i % 2 == 0:
        if x != y:
            sys.exit("text %r against %r" % (x[:60], y[:60]))
        continue
    u, v = float(x), float(y)
    if u != v and not abs(u - v) <= tolerance * max(abs(u), abs(v)):
        sys.exit("%s against %s: relative difference %.3g" % (x.decode(), y.decode(),
                                                               abs(u - v) / max(abs(u), abs(v))))
EOF
same() { # same FILE FILE OUTPUT_NAME: exact bytes, or numbers within the tolerance
    cmp -s "$1" "$2" && return 0
    [ -n "$tolerance" ] && [ "$3" != status ] || return 1
    python3 "$work/numeric.py" "$tolerance" "$1" "$2" >"$work/why" 2>&1
}

differences=0 runs=0 successes=0
if [ -n "$record_dir" ]; then
    mkdir -p "$record_dir"
    for case in "${cases[@]}"; do
        n=$(name_of "$case")
        run "${exes[0]}" "$case" "$record_dir/$n"
        runs=$((runs + 1))
        [ "$(cat "$record_dir/$n/status")" = 0 ] && successes=$((successes + 1))
    done
    echo "$me: recorded $runs runs of ${exes[0]} in $record_dir ($successes exited 0)"
    exit 0
fi

label_a=${against_dir:-${exes[0]}}
label_b=${exes[-1]}
for case in "${cases[@]}"; do
    n=$(name_of "$case")
    if [ -n "$against_dir" ]; then
        a=$against_dir/$n
    else
        a=$work/a/$n
        run "${exes[0]}" "$case" "$a"
    fi
    b=$work/b/$n
    run "${exes[-1]}" "$case" "$b"
    runs=$((runs + 1))
    [ "$(cat "$b/status")" = 0 ] && successes=$((successes + 1))
    for f in "${outputs[@]}"; do
        if [ ! -e "$a/$f" ] && [ ! -e "$b/$f" ]; then
            continue
        fi
        if [ ! -e "$a/$f" ] || [ ! -e "$b/$f" ] || ! same "$a/$f" "$b/$f" "$f"; then
            differences=$((differences + 1))
            echo "DIFFERENT $f in run $n: Tirn $(tr '\0' ' ' <"$case")"
            [ -z "$tolerance" ] || [ ! -s "$work/why" ] || sed 's/^/  /' "$work/why"
            diff -u --label "$label_a" --label "$label_b" "$a/$f" "$b/$f" 2>&1 | head -20 || true
        fi
        rm -f "$work/why"
    done
done
echo "$me: $runs runs, $differences differing outputs$([ -z "$tolerance" ] || echo " (relative tolerance $tolerance)"); $successes runs exited 0 in ${exes[-1]}"
[ "$differences" -eq 0 ]
