#!/usr/bin/env bash
# Runs the test programs of some folders, built with -DVX_SANITIZE=thread, under the thread sanitizer
# with the project's suppressions, and counts its reports.
#   tools/testing/tsan-tests.sh <build dir> [folder ...]      (default: communications loader)
# TSAN_JOBS (default 3) programs run at once; each one's output goes to <build>/tsan-logs/. Ends
# non-zero when a program reports a race or fails a test.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:?usage: tools/testing/tsan-tests.sh <build dir> [folder ...]}")
shift
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(communications loader)
export QT_QPA_PLATFORM=offscreen VX_SOURCE_DIR=$PWD
export TSAN_OPTIONS="suppressions=$PWD/tools/testing/tsan.supp ${TSAN_OPTIONS:-}"
logs=$build/tsan-logs
mkdir -p "$logs"

programs=()
for folder in "${folders[@]}"; do
  while IFS= read -r p; do programs+=("$p"); done < <(find "$build/$folder" -maxdepth 1 -type f -perm -u+x \
    \( -name '*_test' -o -name '*_slowtest' \) | sort)
done
[ ${#programs[@]} -gt 0 ] || { echo "no test programs under $build" >&2; exit 1; }

printf '%s\n' "${programs[@]}" |
  xargs -P "${TSAN_JOBS:-3}" -I{} sh -c 'p="$1"; "$p" >"$2/$(basename "$p").log" 2>&1' _ {} "$logs"

bad=0
for p in "${programs[@]}"; do
  log=$logs/$(basename "$p").log
  reports=$(grep -c '^WARNING: ThreadSanitizer' "$log")
  if grep -q '^\[  PASSED  \]' "$log" && ! grep -q '^\[  FAILED  \]' "$log"; then result=passed; else result=FAILED; fi
  [ "$reports" -eq 0 ] && [ $result = passed ] || bad=1
  printf '%-45s %-7s %s report(s)\n' "$(basename "$p")" "$result" "$reports"
done
exit $bad
