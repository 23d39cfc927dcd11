#!/usr/bin/env bash
# Usage: tools/check-tidy.sh BUILD_DIR
# Runs clang-tidy (.clang-tidy) over the library sources, with the compile
# commands of a configured build, and fails on any finding. CLANG_TIDY
# picks the binary (default clang-tidy).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: tools/check-tidy.sh BUILD_DIR (a configured build)}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "check-tidy: $build/compile_commands.json missing; configure a preset first" >&2
  exit 2
fi
clang_tidy=${CLANG_TIDY:-clang-tidy}

mapfile -t files < <(git ls-files -- 'decimal/*.cpp' 'diagnostics/*.cpp')
echo "check-tidy: $("$clang_tidy" --version | grep -m1 -i version), ${#files[@]} files:"
printf '  %s\n' "${files[@]}"
# The headers are checked through the sources (HeaderFilterRegex).
status=0
output=$("$clang_tidy" -p "$build" --quiet --warnings-as-errors='*' "${files[@]}" 2>&1) || status=$?
# Its count of warnings in system headers (all filtered) is noise.
grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' <<<"$output" || true
if [ "$status" -ne 0 ]; then
  echo "check-tidy: findings (clang-tidy exit $status)" >&2
  exit 1
fi
echo "check-tidy: no findings"
