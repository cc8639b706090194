#!/usr/bin/env bash
# Runs every reproducer in this folder through `anyimage info` and `render` (whole image and a
# 64 x 64 rectangle): each must end with status 0 or 1 within the time limit and the memory limit.
# A file with a NAME.expect beside it must also be refused by `info` with that text in the error,
# for damage that costs little resident memory but asks for a huge allocation at once.
#   bash fuzz/regressions/check.sh ANYIMAGE PEAKRSS [SECONDS] [MIB]
set -uo pipefail
anyimage=${1:?anyimage}
peakrss=${2:?peakrss}
seconds=${3:-2}
mib=${4:-256}
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

failures=0
runs=0
check() {
    local name=$1
    shift
    local started ended status rss elapsed
    started=$(date +%s%N)
    rss=$(timeout -s KILL "$seconds" "$peakrss" "$anyimage" "$@" 2>/dev/null | tail -n 1)
    status=${PIPESTATUS[0]}
    ended=$(date +%s%N)
    elapsed=$(((ended - started) / 1000000))
    runs=$((runs + 1))
    local problem=""
    if [ "$status" -eq 137 ]; then
        problem="over ${seconds} s"
    elif [ "$status" -gt 1 ]; then
        problem="exit status $status"
    elif [ "${rss:-0}" -gt $((mib * 1024)) ]; then
        problem="${rss} KiB resident, over ${mib} MiB"
    fi
    if [ -n "$problem" ]; then
        failures=$((failures + 1))
        echo "FAIL $name: $* ($problem, ${elapsed} ms)"
    else
        echo "ok   $name: $1 (status $status, ${rss} KiB, ${elapsed} ms)"
    fi
}

expect_refusal() {
    local name=$1 file=$2 text errors
    text=$(cat "$file.expect")
    errors=$("$anyimage" info "$file" 2>&1 >/dev/null)
    runs=$((runs + 1))
    if grep -qF "$text" <<<"$errors"; then
        echo "ok   $name: info refuses it with \"$text\""
    else
        failures=$((failures + 1))
        echo "FAIL $name: info does not refuse it with \"$text\""
    fi
}

for file in "$here"/*; do
    case "$file" in *.sh | *.md | *.expect) continue ;; esac
    name=$(basename "$file")
    [ -f "$file.expect" ] && expect_refusal "$name" "$file"
    check "$name" info "$file"
    check "$name" render "$file" -o "$out/whole.ppm"
    check "$name" render "$file" --rect 0,0,64,64 -o "$out/rect.ppm"
done
echo "regressions: $runs runs, $failures failures"
[ "$failures" -eq 0 ]
