#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them from the committed seed corpus.
set -euo pipefail

targets=(show effects image datacheck map dialog)
usage() {
    cat <<USAGE
usage: tools/fuzz.sh TARGET SECONDS
Builds the fuzz targets (clang, ASan + UBSan) into build-fuzz/ if needed, then
runs TARGET, or every target one after another with "all", for SECONDS each.
Targets: ${targets[*]}

Each run starts from a copy of fuzz/corpus/TARGET/ (the committed corpus is
never grown) and prints its executions, its cov: and ft: figures and the size
of the corpus it reached. Any crash, leak, timeout (10 s) or sanitizer report
fails the run: the script exits 1 and prints the path of the kept input, under
build-fuzz/findings/TARGET/. Reproduce one with
  build-fuzz/fuzz/softdemo_fuzz_TARGET INPUT
Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_JOBS (ninja -j, default 2).
USAGE
}

if [[ $# -eq 1 && ( $1 == --help || $1 == -h ) ]]; then
    usage
    exit 0
fi
if [[ $# -ne 2 || ! $2 =~ ^[1-9][0-9]*$ ]]; then
    usage >&2
    exit 2
fi
if [[ $1 == all ]]; then
    run=("${targets[@]}")
elif [[ " ${targets[*]} " == *" $1 "* ]]; then
    run=("$1")
else
    echo "fuzz.sh: unknown target '$1' (one of: ${targets[*]} all)" >&2
    exit 2
fi
seconds=$2

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
for tool in clang clang++; do
    command -v $tool >/dev/null || { echo "fuzz.sh: $tool is missing (Debian packages clang, libclang-rt-14-dev)" >&2; exit 2; }
done
built_at=$SECONDS
mkdir -p "$build"
if [[ ! -f $build/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSOFTDEMO_FUZZ=ON -DSOFTDEMO_PLAYER=OFF >"$build/fuzz-configure.log" 2>&1 ||
        { cat "$build/fuzz-configure.log" >&2; exit 2; }
fi
ninja -C "$build" -j "${FUZZ_JOBS:-2}" "${run[@]/#/softdemo_fuzz_}" >"$build/fuzz-build.log" 2>&1 ||
    { cat "$build/fuzz-build.log" >&2; echo "fuzz.sh: the fuzz build failed" >&2; exit 2; }
echo "fuzz build ready in $((SECONDS - built_at)) s"

# A sanitizer report stops the run with the input kept, as a crash does.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=0
for t in "${run[@]}"; do
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp -r "$root/fuzz/corpus/$t" "$work/corpus"
    findings=$build/findings/$t
    mkdir -p "$findings"
    log=$build/findings/$t.log
    extra=()
    # The dialog's loader says on stderr why it refuses a picture, for every input.
    [[ $t == dialog ]] && extra=(-close_fd_mask=2)
    status=0
    "$build/fuzz/softdemo_fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "${extra[@]}" "$work/corpus" >"$log" 2>&1 || status=$?
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
    execs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
    cov=$(grep -oE 'cov: [0-9]+' <<<"$done_line" | grep -oE '[0-9]+' || echo '?')
    ft=$(grep -oE 'ft: [0-9]+' <<<"$done_line" | grep -oE '[0-9]+' || echo '?')
    files=$(find "$work/corpus" -type f | wc -l)
    bytes=$(du -sb "$work/corpus" | cut -f1)
    printf '%-10s %ss: %s executions, cov: %s, ft: %s, corpus: %s files, %s bytes\n' \
        "$t" "$seconds" "$execs" "$cov" "$ft" "$files" "$bytes"
    if [[ $status -ne 0 || -z $done_line ]] || grep -qE 'runtime error:|ERROR: (Address|Leak|Undefined)Sanitizer|ERROR: libFuzzer' "$log"; then
        failed=1
        echo "FAILED: $t (exit $status); log: $log" >&2
        grep -E 'ERROR|runtime error:|SUMMARY' "$log" | head -5 >&2 || true
        input=$(grep -oE "Test unit written to [^ ]+" "$log" | tail -1 | sed 's/Test unit written to //')
        [[ -n $input ]] && echo "input kept: $input" >&2
    fi
    rm -rf "$work"
    trap - EXIT
done
exit $failed
