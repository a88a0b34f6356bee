#!/usr/bin/env bash
# Runs a command with one form of the vector loops forced through SOFTDEMO_SIMD;
# skips (exit 77) where the processor lacks it.
# usage: forced.sh portable|sse2|avx2 COMMAND [ARGS...]
set -euo pipefail
level=$1
shift
if [[ $level != portable ]] && ! grep -qw "$level" /proc/cpuinfo 2> /dev/null; then
  echo "this processor has no $level: skipped"
  exit 77
fi
SOFTDEMO_SIMD=$level exec "$@"
