#!/usr/bin/env bash
# Usage: tools/check-format.sh [--fix]
# Checks the C++ sources against .clang-format and lists every file that
# differs; --fix rewrites them in place instead. CLANG_FORMAT picks the
# binary (default clang-format; CI uses Debian's clang-format 14, and other
# versions may format some constructs differently).
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
fix=false
case ${1-} in
  '') ;;
  --fix) fix=true ;;
  *) echo "usage: $0 [--fix]" >&2; exit 2 ;;
esac

# The sources: the extensionless headers and sources of the library, and
# every .cpp and .h of the demo, tests, benchmarks and fuzzer.
mapfile -t files < <(git ls-files -- 'decimal/*' 'diagnostics/*' '*.cpp' '*.h' | sort -u)
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-format: no sources found (is this a git checkout?)" >&2
  exit 2
fi

if $fix; then
  "$clang_format" -i --style=file "${files[@]}"
  echo "check-format: formatted ${#files[@]} files"
  exit 0
fi

differing=()
for file in "${files[@]}"; do
  if ! "$clang_format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    differing+=("$file")
  fi
done
echo "check-format: $("$clang_format" --version | head -1), ${#files[@]} files:"
printf '  %s\n' "${files[@]}"
if [ "${#differing[@]}" -gt 0 ]; then
  echo "check-format: ${#differing[@]} file(s) differ from .clang-format:" >&2
  for file in "${differing[@]}"; do
    "$clang_format" --style=file "$file" | diff -u "$file" - --label "$file" --label "$file (formatted)" >&2 || true
  done
  echo "check-format: run tools/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: all files match .clang-format"
