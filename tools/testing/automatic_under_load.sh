#!/usr/bin/env bash
# Runs Quillon's automatic-mode end-to-end test again and again while as many CPU-bound processes
# as the machine has cores run beside it, as on a user's machine during a build. A run by hand
# before a release of the link layer; CI does not run it.
#
#   tools/testing/automatic_under_load.sh [RUNS] [BUILD_DIR]
#
# RUNS defaults to 10, BUILD_DIR to build (with the target loader_QuillonAutomatic_slowtest built).
# LOAD_PROCESSES overrides the number of load processes; GTEST_FILTER narrows the test's cases.
# Prints each run's result and time, then "N passed, N failed"; exits 0 only when every run passed.
set -u

runs=${1:-10}
build=${2:-build}
test_bin="$build/loader/loader_QuillonAutomatic_slowtest"
if [[ ! -x $test_bin ]]; then
    echo "no $test_bin: build the target loader_QuillonAutomatic_slowtest first" >&2
    exit 2
fi
test_bin=$(realpath "$test_bin")
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
    echo "RUNS must be a positive number" >&2
    exit 2
fi
load=${LOAD_PROCESSES:-$(nproc)}
logs=$(mktemp -d "${TMPDIR:-/tmp}/automatic-under-load.XXXXXX")

# The load and a test run still going, stopped by process id however the script ends.
load_pids=()
test_pid=
stop_load() {
    local pid
    # The run's own process group: the test with the program, X server and simulator it started.
    [[ -n $test_pid ]] && kill -- "-$test_pid" 2>/dev/null
    for pid in "${load_pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${load_pids[@]}"; do wait "$pid" 2>/dev/null; done
    load_pids=()
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

for ((i = 0; i < load; i++)); do
    (while :; do :; done) &
    load_pids+=("$!")
done
echo "load: $load CPU-bound processes (${load_pids[*]}); logs in $logs"

passed=0
failed=0
for ((run = 1; run <= runs; run++)); do
    # Each run in a folder of its own: the test leaves its program's logs and screenshot there.
    mkdir -p "$logs/run-$run"
    log="$logs/run-$run/test.log"
    start=$(date +%s%N)
    # In the background and a process group of its own, so that a signal to the script is handled
    # at once and ends the whole run.
    (cd "$logs/run-$run" && exec setsid "$test_bin" ${GTEST_FILTER:+--gtest_filter="$GTEST_FILTER"}) >"$log" 2>&1 &
    test_pid=$!
    wait "$test_pid"
    status=$?
    test_pid=
    ms=$((($(date +%s%N) - start) / 1000000))
    # A skipped case (no virtual X server here) proves nothing.
    if [[ $status -eq 0 ]] && ! grep -q '^\[  SKIPPED \]' "$log"; then
        passed=$((passed + 1))
        printf 'run %d: passed in %d.%03d s\n' "$run" $((ms / 1000)) $((ms % 1000))
    else
        failed=$((failed + 1))
        printf 'run %d: FAILED (status %d) in %d.%03d s, see %s\n' "$run" "$status" $((ms / 1000)) \
            $((ms % 1000)) "$log"
    fi
done

stop_load
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
