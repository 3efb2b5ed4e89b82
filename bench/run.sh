#!/usr/bin/env bash
# Measures what a run of Orvane costs, side by side in one session:
#   (a) a run that shows no warning, on a 10-store profile, against its floor
#       (build/linux/orvane_floor, bench/floor.c: a C program that does only the
#       file work such a run must do) and against /bin/true (the cost of starting
#       any process);
#   (b) 1,000 oversized stores, every one excluded among 10,000 exclusions, and
#       the same at a tenth of the size, to show the cost growing with the stores;
#   (c) a 5 MB user.reg;
# then the parse of a large user.reg on its own, inside one process
# (build/linux/userreg_bench: a generated 8 MB file and the one of (c)).
# Prints medians from hyperfine, their ratio to /bin/true and for (a) to the floor
# (a run that warns about nothing should stay within 1.5x of it), for (b) the cost
# of one store, and the size of the program and the libraries it loads.
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

run() { echo "WINEPREFIX=$PWD/$work/$1/prefix $work/$1/Orvane"; }
# The floor does for (a) what its run does with files: the settings file and the
# log are there from a first run, and it writes as many lines as that run's log has.
env $(run a)
floor="build/linux/orvane_floor $work/a/prefix/user.reg $work/a/Orvane.ini $work/a/floor.log \
$(wc -l <"$work/a/Orvane.log") $(echo "$work"/a/prefix/drive_c/users/bench/Mail/*.pst)"
hyperfine --runs "$runs" --warmup 3 -N --export-json "$work/result.json" \
  -n "/bin/true" "env WINEPREFIX=/nonexistent /bin/true" \
  -n "(a) 10 stores, no warning" "env $(run a)" \
  -n "(a) its floor" "env $floor" \
  -n "(b) 100 stores, 1,000 exclusions" "env $(run b100)" \
  -n "(b) 1,000 stores, 10,000 exclusions" "env $(run b)" \
  -n "(c) 5 MB user.reg" "env $(run c)" >/dev/null

python3 - "$work/result.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
floor = results[0]["median"]
print(f"{'case':40} {'median ms':>10} {'min ms':>8} {'x /bin/true':>12}")
for r in results:
    print(f"{r['command']:40} {r['median']*1e3:10.2f} {r['min']*1e3:8.2f} {r['median']/floor:12.2f}")
small, large = results[3]["median"], results[4]["median"]
print(f"(b) cost of one store, from 100 to 1,000: {(large - small) / 900 * 1e6:.1f} us")
quiet = results[1]["median"] / results[2]["median"]
print(f"(a) the quiet run costs {quiet:.2f}x its floor: {'within' if quiet <= 1.5 else 'OVER'} the 1.5x limit")
PY
echo "the program, one file: $(stat -c %s build/linux/Orvane) bytes; it loads: $(ldd build/linux/Orvane |
  awk '$1 !~ /vdso/ {sub(".*/", "", $1); print $1}' | paste -sd' ')"
for c in a b c; do
  tail -n 2 "$work/$c/Orvane.log" | iconv -f CP932 -t UTF-8 | sed "s/^/  ($c) log: /"
done
echo "user.reg parse alone, median of $runs:"
build/linux/userreg_bench "$runs" "$work/c/prefix/user.reg" | sed 's/^/  /'
