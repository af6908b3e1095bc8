#!/usr/bin/env bash
# Runs fuzz targets from their seed corpora, one after another.
#   tools/fuzz/run-fuzz.sh <fuzz build dir> [runs] [target name ...]
# A target name is the program's (win_pe_image_fuzz); none runs every target of the build. Each run
# starts from <folder>/fuzz/corpus/<name>/ and keeps what it finds in <build>/fuzz-found/<program>/
# (its logs in <build>/fuzz-logs/<program>/),
# so the committed seeds stay as they are; a crash leaves its input there too and ends the script.
# FUZZ_JOBS (default 1) runs that many processes at once for each target.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:?usage: tools/fuzz/run-fuzz.sh <fuzz build dir> [runs] [target ...]}")
runs=${2:-1000000}
shift $(($# < 2 ? $# : 2))
jobs=${FUZZ_JOBS:-1}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

programs=()
if [ $# -gt 0 ]; then
  for name in "$@"; do programs+=("$(find "$build" -type f -name "$name" -perm -u+x | head -1)"); done
else
  mapfile -t programs < <(find "$build" -type f -name '*_fuzz' -perm -u+x | sort)
fi
[ ${#programs[@]} -gt 0 ] || { echo "no fuzz targets in $build (configure with -DVX_FUZZ=ON)" >&2; exit 1; }

for program in "${programs[@]}"; do
  [ -n "$program" ] || { echo "target not built" >&2; exit 1; }
  # <build>/<folder>/<lib>_<name>_fuzz comes from <folder>/fuzz/<name>_fuzz.cpp.
  folder=$(dirname "${program#"$build"/}")
  base=$(basename "$program")
  name=
  for source in "$folder"/fuzz/*_fuzz.cpp; do
    candidate=$(basename "$source" _fuzz.cpp)
    [[ "$base" == *"_${candidate}_fuzz" ]] && name=$candidate
  done
  corpus=$folder/fuzz/corpus/$name
  [ -n "$name" ] && [ -d "$corpus" ] || { echo "no seed corpus for $base" >&2; exit 1; }
  found=$build/fuzz-found/$base
  logs=$build/fuzz-logs/$base
  mkdir -p "$found" "$logs"
  rm -f "$logs"/*.log
  echo "== $base: $runs runs from $corpus"
  # Each job runs its share and writes its log where the fuzzer starts, away from the corpus it
  # reads.
  status=0
  (cd "$logs" && exec "$program" -runs=$((runs / jobs)) -jobs="$jobs" -workers="$jobs" \
    -artifact_prefix="$found/" -print_final_stats=1 "$found" "$OLDPWD/$corpus" >run.log 2>&1) || status=$?
  grep -h -E '^#[0-9]+[[:space:]]+DONE|SUMMARY|ERROR' "$logs"/*.log || true
  [ "$status" -eq 0 ] || { echo "$base failed: see $logs and $found" >&2; exit 1; }
done
