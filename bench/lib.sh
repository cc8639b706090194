# Helpers for the bench cases; sourced by bench/compare.sh.
# BENCH_DIR holds the generated images (outside the repository); BIN the built programs.

RUNS=${RUNS:-5}
declare -A BENCH_TIMES

# bench_time NAME COMMAND...: runs COMMAND $RUNS times (after one warm-up run) and keeps the
# median wall time in BENCH_TIMES[NAME].
bench_time() {
    local name=$1
    shift
    "$@" >/dev/null 2>&1 || { echo "  $name: FAILED: $*"; return 1; }
    local times=()
    for ((i = 0; i < RUNS; i++)); do
        local t0 t1
        t0=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        t1=$(date +%s.%N)
        times+=("$(echo "$t1 - $t0" | bc -l)")
    done
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    BENCH_TIMES[$name]=$median
    printf '  %-40s %8.3f s (median of %d)\n' "$name" "$median" "$RUNS"
}

# bench_ratio A B: prints time(A) / time(B) when both were measured.
bench_ratio() {
    local a=${BENCH_TIMES[$1]:-} b=${BENCH_TIMES[$2]:-}
    [ -n "$a" ] && [ -n "$b" ] || return 0
    printf '  %-40s %8.2f x\n' "$1 / $2" "$(echo "$a / $b" | bc -l)"
}

# bench_peak NAME COMMAND...: prints the peak resident memory of one run of COMMAND.
bench_peak() {
    local name=$1
    shift
    local kib
    kib=$("$BIN/peakrss" "$@" 2>/dev/null | tail -n 1)
    printf '  %-40s %8.1f MiB peak resident\n' "$name" "$(echo "$kib / 1024" | bc -l)"
}

have() { command -v "$1" >/dev/null 2>&1; }

# bench_other NAME PROGRAM ARGS...: bench_time for another program when it is installed; when it
# fails (ImageMagick's resource policy refuses large images) its rows are left out.
bench_other() {
    have "$2" || return 0
    bench_time "$@" || return 0
}

CORES=$(nproc)

# bench_threads NAME ANYIMAGE-COMMAND...: times the command with --threads 1 (kept as NAME, to set
# against single-threaded floors) and with all cores (as "NAME, CORES threads"), and the scaling.
bench_threads() {
    local name=$1
    shift
    bench_time "$name" "$@" --threads 1 || return 0
    bench_time "$name, $CORES threads" "$@" --threads "$CORES" || return 0
    bench_ratio "$name" "$name, $CORES threads"
}

# bench_vips NAME VIPS-COMMAND...: the same for libvips, at VIPS_CONCURRENCY=1 (kept as NAME) and at
# its default concurrency (as "NAME, default").
bench_vips() {
    have vips || return 0
    local name=$1
    shift
    bench_time "$name" env VIPS_CONCURRENCY=1 "$@" || return 0
    bench_time "$name, default" env -u VIPS_CONCURRENCY "$@" || return 0
    bench_ratio "$name" "$name, default"
}

# bench_peer ANYIMAGE-NAME VIPS-NAME: anyimage at all cores against libvips at its default, for
# cases where both do the same work.
bench_peer() {
    bench_ratio "$1, $CORES threads" "$2, default"
}
