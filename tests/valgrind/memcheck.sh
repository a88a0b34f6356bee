#!/usr/bin/env bash
# valgrind memcheck on the headless renderer: the data check, the whole
# start-up and the first 20 s of the show at 30 fps (600 frames, hashes only).
# Any memory error or leak fails. Exits 77 (skipped) without valgrind.
# Usage: memcheck.sh RENDERER DATA_DIR
set -uo pipefail

renderer=$1 data=$2
command -v valgrind >/dev/null || { echo "SKIP: valgrind is not installed"; exit 77; }

begin=$(date +%s)
valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
    "$renderer" frames --fps 30 --at 19966 --data "$data"
rc=$?
echo "valgrind memcheck: exit $rc in $(( $(date +%s) - begin )) s"
[ "$rc" -eq 0 ] || { echo "FAIL: memcheck reported errors (or the renderer failed)"; exit 1; }
echo "PASS: memcheck"
