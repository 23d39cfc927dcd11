#!/usr/bin/env bash
# End-to-end run of veldran-demo: the printed sum, the abnormal end and the
# log file that the crash report leaves in logs/veldran.log.
# Usage: demo_test.sh <path to veldran-demo>
set -u

demo=${1:?usage: demo_test.sh <path to veldran-demo>}
# Absolute, since every run happens in its own directory.
demo=$(cd "$(dirname "$demo")" && pwd)/$(basename "$demo")
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
ulimit -c 0  # the abort must not leave core files behind

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the demo in directory $1; sets `status` and leaves its output in $1.out.
run_demo() {
  status=0
  # The group's stderr catches the shell's own "Aborted" notice.
  { (cd "$1" && exec "$demo" >"$1.out" 2>"$1.err"); } 2>/dev/null || status=$?
}

check_run() {
  local name=$1
  if ! printf '79.023\n' | cmp -s - "$work/$name.out"; then
    fail "$name: standard output is not exactly '79.023\\n': $(od -c "$work/$name.out" | head -5)"
  fi
  # 128 + SIGABRT: the default terminate handler aborts the process.
  if [[ $status -ne 134 ]]; then
    fail "$name: exit status $status, expected 134 (SIGABRT)"
  fi
}

# --- Run with a logs directory, over a stale, longer log ----------------------
mkdir -p "$work/with/logs"
for i in $(seq 1 500); do echo "stale line $i"; done >"$work/with/logs/veldran.log"
run_demo "$work/with"
check_run with

logfile="$work/with/logs/veldran.log"
if [[ ! -f $logfile ]]; then
  fail "no log file written"
else
  mapfile -t lines <"$logfile"
  [[ -z $(tail -c 1 "$logfile") ]] || fail "log file does not end with a line feed"

  day='(Mon|Tue|Wed|Thu|Fri|Sat|Sun)'
  month='(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)'
  layout="^VELDRAN \\[$day $month [ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\\]: "
  messages=()
  badlines=0
  for index in "${!lines[@]}"; do
    line=${lines[$index]}
    if [[ ! $line =~ $layout ]]; then
      badlines=$((badlines + 1))
      ((badlines <= 3)) && echo "line $((index + 1)) does not match the log layout: '$line'" >&2
    fi
    messages+=("${line#*\]: }")
  done
  ((badlines == 0)) || fail "$badlines line(s) do not match the log layout"

  setup=("First fixedint/fixedfloat object created!"
    "Start Initialization of Veldran Arithmetic module."
    "Setting up log dumper..."
    "Done. Init Successful")
  operand=("New fixedint object!" "Resizing Digits to: 0" "Done."
    "Creating new fixedfloat object!" "Init called on fixedfloat with length: 8"
    "Register size." "Init boolean properties." "Init digits."
    "New fixedint object!" "Resizing Digits to: 8" "Done."
    "Deleted fixedint object." "Done.")
  # The sum's text: each part is deleted before the next is made.
  ending=("Done."                                                    # the addition
    "New fixedint object!" "Resizing Digits to: 8" "Done."           # integer part
    "Deleted fixedint object."
    "New fixedint object!" "Resizing Digits to: 8" "Done."           # fraction part
    "Deleted fixedint object."
    "Deleting fixedfloat object!" "Deleted fixedint object."        # the sum
    "Deleting fixedfloat object!" "Deleted fixedint object."        # the copy
    "Terminate called. Preparing report."
    "Opened File."
    "Rethrowing exception and getting type."
    "Exception type: UNKNOWN"
    "what(): UNKNOWN"
    "--- LOG END: NO FURTHER MESSAGES ---")

  # expect_at <first index> <label> <messages...>
  expect_at() {
    local at=$1 label=$2
    shift 2
    local offset=0 want
    for want in "$@"; do
      local got=${messages[$((at + offset))]-<missing>}
      if [[ $got != "$want" ]]; then
        fail "$label: line $((at + offset + 1)) is '$got', expected '$want'"
        return
      fi
      offset=$((offset + 1))
    done
  }
  expect_at 0 "set-up" "${setup[@]}"
  expect_at 4 "first operand" "${operand[@]}"
  expect_at 17 "second operand" "${operand[@]}"
  count=${#messages[@]}
  if ((count < 30 + ${#ending[@]})); then
    fail "log has only $count lines"
  else
    expect_at $((count - ${#ending[@]})) "ending" "${ending[@]}"
  fi
  setups=$(grep -c 'First fixedint/fixedfloat object created!' "$logfile")
  [[ $setups -eq 1 ]] || fail "set-up logged $setups times"
fi

# --- Run without a logs directory ---------------------------------------------
mkdir -p "$work/without"
run_demo "$work/without"
check_run without
leftovers=$(ls -A "$work/without")
[[ -z $leftovers ]] || fail "run without logs/ left: $leftovers"

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "demo: all checks passed"
