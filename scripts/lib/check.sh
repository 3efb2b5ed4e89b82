# Sourced by the check scripts: one line per check, and a count of the failures
# for the script's exit status ([ "$failures" -eq 0 ] at the end).

failures=0

# The desktop the checks stand for is a Japanese one, whose texts they compare,
# unless a check sets another language for its own run.
export LC_ALL=ja_JP.UTF-8

# check WHAT EXPECTED ACTUAL
check() {
  if [ "$2" = "$3" ]; then
    echo "  ok: $1"
  else
    echo "  FAILED: $1 (expected '$2', got '$3')"
    failures=$((failures + 1))
  fi
}
