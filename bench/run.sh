#!/usr/bin/env bash
# Measures what a run of Orvane costs, side by side in one session:
#   (a) a run that shows no warning, on a 10-store profile with a history of its
#       10 files, against its floor (build/linux/orvane_floor, bench/floor.c: a C
#       program that does only the file work such a run must do, reading and
#       replacing the same history file) and against /bin/true (the cost of
#       starting any process);
#   (b) 1,000 oversized stores, every one excluded among 10,000 exclusions, and
#       the same at a tenth of the size, to show the cost growing with the stores;
#   (c) a 5 MB user.reg;
#   (d) the run of (a) in a home with 50 Wine prefixes, one of them holding the
#       profile, which the run has to find (no WINEPREFIX), against its floor:
#       (a)'s floor's work (the history read and replaced too), and besides it
#       the listing of the folders that hold the prefixes and a read of the other
#       prefixes' user.reg, as telling that they hold no profile takes;
# then the parse of a large user.reg on its own, inside one process
# (build/linux/userreg_bench: a generated 8 MB file and the one of (c)).
# Prints medians from hyperfine, their ratio to /bin/true and for (a) and (d) to
# their floors (a run that warns about nothing should stay within 1.5x of it), for
# (b) the cost of one store, and the size of the program and the libraries it loads.
# Usage: bench/run.sh [RUNS]   (builds the linux preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-50}

cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null

work=build/bench
rm -rf "$work"
setup() {  # NAME ARGS...
  local dir=$work/$1; shift
  python3 bench/make-profile.py "$dir" "$@"
  cp build/linux/Orvane "$dir/"
}
setup a --stores 10
setup b100 --stores 100 --oversized --exclusions 1000
setup b --stores 1000 --oversized --exclusions 10000
setup c --stores 10 --reg-mb 5
setup d --stores 10 --home 50

run() { echo "WINEPREFIX=$PWD/$work/$1/prefix $work/$1/Orvane"; }
found() { echo "HOME=$PWD/$work/d/home $work/d/Orvane"; }
# A floor does for its case what the run does with files: the settings file and
# the log are there from a first run, and it writes as many lines as that run's log has.
env $(run a)
# Six weeks of a day's points before today's for each of (a)'s files, as a
# history holds them after that long.
python3 - "$work/a/Orvane.history" <<'PY'
import datetime, sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\r\n")
out = []
for line in lines:
    if line.startswith("point\t"):
        day = datetime.date.fromisoformat(line.split("\t")[1])
        size = int(line.split("\t")[2])
        out += [f"point\t{day - datetime.timedelta(days=d)}\t{size - d}\t{size - d}" for d in range(41, 0, -1)]
    out.append(line)
open(sys.argv[1], "w", encoding="utf-8", newline="").write("\r\n".join(out))
PY
env -u WINEPREFIX $(found)
floor() {  # floor CASE PREFIX [-l FOLDER]...
  local case=$1 prefix=$2
  shift 2
  echo "build/linux/orvane_floor $* $prefix/user.reg $work/$case/Orvane.ini $work/$case/floor.log" \
    "$(wc -l <"$work/$case/Orvane.log") $(echo "$prefix"/drive_c/users/bench/Mail/*.pst)"
}
prefixes=$work/d/home/.local/share/wineprefixes
hyperfine --runs "$runs" --warmup 3 -N --export-json "$work/result.json" \
  -n "/bin/true" "env WINEPREFIX=/nonexistent /bin/true" \
  -n "(a) 10 stores, no warning" "env $(run a)" \
  -n "(a) its floor" "env $(floor a "$work/a/prefix" -h "$work/a/Orvane.history")" \
  -n "(b) 100 stores, 1,000 exclusions" "env $(run b100)" \
  -n "(b) 1,000 stores, 10,000 exclusions" "env $(run b)" \
  -n "(c) 5 MB user.reg" "env $(run c)" \
  -n "(d) (a) among 50 prefixes" "env -u WINEPREFIX $(found)" \
  -n "(d) its floor" "env $(floor d "$prefixes/mail" -h "$work/d/Orvane.history" -l "$work/d/home" -l "$prefixes" \
    $(printf -- '-r %s ' "$prefixes"/game*/user.reg))" >/dev/null

python3 - "$work/result.json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
median = lambda name: results[name]["median"]
base = median("/bin/true")
print(f"{'case':40} {'median ms':>10} {'min ms':>8} {'x /bin/true':>12}")
for name, r in results.items():
    print(f"{name:40} {r['median']*1e3:10.2f} {r['min']*1e3:8.2f} {r['median']/base:12.2f}")
small, large = median("(b) 100 stores, 1,000 exclusions"), median("(b) 1,000 stores, 10,000 exclusions")
print(f"(b) cost of one store, from 100 to 1,000: {(large - small) / 900 * 1e6:.1f} us")
for case, run in (("(a)", "(a) 10 stores, no warning"), ("(d)", "(d) (a) among 50 prefixes")):
    ratio = median(run) / median(f"{case} its floor")
    print(f"{case} the quiet run costs {ratio:.2f}x its floor: {'within' if ratio <= 1.5 else 'OVER'} the 1.5x limit")
PY
echo "the program, one file: $(stat -c %s build/linux/Orvane) bytes; it loads: $(ldd build/linux/Orvane |
  awk '$1 !~ /vdso/ {sub(".*/", "", $1); print $1}' | paste -sd' ')"
for c in a b c d; do
  tail -n 2 "$work/$c/Orvane.log" | iconv -f CP932 -t UTF-8 | sed "s/^/  ($c) log: /"
done
echo "user.reg parse alone, median of $runs:"
build/linux/userreg_bench "$runs" "$work/c/prefix/user.reg" | sed 's/^/  /'
