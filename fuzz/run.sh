#!/bin/sh
# Usage: fuzz/run.sh [SECONDS]
# Builds the fuzz preset and fuzzes for SECONDS (default 60), single
# process, from a temporary copy of fuzz/corpus so the committed seeds stay
# as they are. Exits non-zero on any finding; reproducers are kept in
# build/fuzz/artifacts/.
set -eu

seconds=${1:-60}
case $seconds in
  '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset fuzz
cmake --build --preset fuzz --target veldran-fuzz

work=$(mktemp -d "${TMPDIR:-/tmp}/veldran-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cp fuzz/corpus/* "$work/"
mkdir -p build/fuzz/artifacts

status=0
./build/fuzz/fuzz/veldran-fuzz -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$root/build/fuzz/artifacts/" "$work" || status=$?
if [ "$status" -ne 0 ]; then
  echo "veldran-fuzz: finding (exit $status); see build/fuzz/artifacts/" >&2
fi
exit "$status"
