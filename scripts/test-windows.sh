#!/usr/bin/env bash
# Runs the Windows build under 64-bit Wine, headless, in a prefix of its own: registers
# zyncomponent.dll with regsvr32 and checks the registry, runs the cross-built test programs
# (the COM client among them, whose saved control state must equal the Linux build's),
# drives the control from VBScript through cscript, compares anyimage.exe's answers and pictures with the Linux host's for every sample
# (non-ASCII file names included), and unregisters. Needs build-windows/ (scripts/build-windows.sh)
# and the Linux build in build/ (scripts/build.sh), whose sample writer and host are the reference.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
tree=$repo/build-windows
work=$tree/wine-test
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINEPREFIX=$tree/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
[ -x "$wine" ] || { echo "no 64-bit Wine at $wine: scripts/build-windows.sh installs it" >&2; exit 1; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

winpath() { "$wine" winepath -w "$1" 2>/dev/null; }
# Windows programs end their lines with CR LF. A program that hangs fails its check after 5 minutes.
run() { timeout 300 "$wine" "$@" 2>&1 | tr -d '\r'; }

# One server for every program of the run; each would otherwise start and stop its own.
start_wine() {
    [ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1
    "$wineserver" -p 2>/dev/null || true  # one may already be running for this prefix
    trap '"$wineserver" -k 2>/dev/null || true' EXIT
}

write_samples() {
    rm -rf "$work"
    mkdir -p "$work/samples"
    "$repo/build/zynsamples" "$work/samples" >/dev/null
    # Names a code page cannot spell must reach the codecs intact.
    cp "$work/samples/sample.tif" "$work/samples/Ünïcödé-画像.tif"
    cp "$work/samples/sample-adam7.png" "$work/samples/Ærø-снимок.png"
}

clsid='{FDC0C2B9-FFA0-4780-B931-911D4C5FF230}'

registry_value() {
    local which=(/ve)
    [ -n "$2" ] && which=(/v "$2")
    { run reg query "HKCR\\$1" "${which[@]}" || true; } | sed -n 's/^ *[^ ]* *REG_SZ *//p' | head -n 1
}

check_registration() {
    local dll
    dll=$(winpath "$tree/zyncomponent.dll")
    run regsvr32 /s "$dll" >/dev/null || fail "regsvr32 zyncomponent.dll"
    local rows=(
        "TevAnyFileSource.TevAnyFileSource.1||TevAnyFileSource Class"
        "TevAnyFileSource.TevAnyFileSource.1\\CLSID||$clsid"
        "TevAnyFileSource.TevAnyFileSource||TevAnyFileSource Class"
        "TevAnyFileSource.TevAnyFileSource\\CurVer||TevAnyFileSource.TevAnyFileSource.1"
        "CLSID\\$clsid||TevAnyFileSource Class"
        "CLSID\\$clsid\\ProgID||TevAnyFileSource.TevAnyFileSource.1"
        "CLSID\\$clsid\\VersionIndependentProgID||TevAnyFileSource.TevAnyFileSource"
        "CLSID\\$clsid\\InprocServer32||$dll"
        "CLSID\\$clsid\\InprocServer32|ThreadingModel|Apartment"
        "CLSID\\$clsid\\ToolboxBitmap32||$dll, 1"
        "CLSID\\$clsid\\MiscStatus\\1||132497"
        "CLSID\\$clsid\\Version||1.0"
    )
    local row key name want got
    for row in "${rows[@]}"; do
        IFS='|' read -r key name want _ <<<"${row/||/|-|}"
        [ "$name" = - ] && name=
        got=$(registry_value "$key" "$name")
        [ "$got" = "$want" ] || fail "registry HKCR\\$key ${name:-(default)}: '$got', expected '$want'"
    done
    for key in "CLSID\\$clsid\\Programmable" "CLSID\\$clsid\\Control" "CLSID\\$clsid\\Insertable"; do
        run reg query "HKCR\\$key" >/dev/null || fail "registry HKCR\\$key missing"
    done
}

check_unregistration() {
    run regsvr32 /s /u "$(winpath "$tree/zyncomponent.dll")" >/dev/null || fail "regsvr32 /u"
    local key
    for key in TevAnyFileSource.TevAnyFileSource.1 TevAnyFileSource.TevAnyFileSource \
        "CLSID\\$clsid"; do
        if run reg query "HKCR\\$key" >/dev/null; then fail "HKCR\\$key still there after /u"; fi
    done
    run reg query "HKCR\\CLSID" >/dev/null || fail "HKCR\\CLSID went with the class"
}

# What the script must print for a file, from the Linux host's description of it.
expected_line() {
    local file=$1 win=$2 json
    json=$("$repo/build/anyimage" info "$file" --json 2>/dev/null) ||
        { echo "$win: Filename=True StatusOK=False"; return; }
    python3 -c '
import json, sys
info = json.loads(sys.argv[3])
name, orientation = sys.argv[1], sys.argv[2]
number = lambda v: "%.15g" % v
levels = [str(i) + ":%dx%d" % (r["width"], r["height"]) for i, r in enumerate(info["resolutions"])]
extent = info["extent"]
print(name + ": Filename=True StatusOK=True Label=True Size=" + number(extent["width"]) + "x" +
      number(extent["height"]) + " Resolutions=%d " % len(levels) + " ".join(levels) +
      " Orientation=" + orientation)
' "$win" "$("$repo/build/anyimage" meta "$file" ImageContainer.Orientation | sed 's/^[^:]*: //')" "$json"
}

check_script_host() {
    local files=() wins=() f
    for f in "$work"/samples/*; do
        case "$f" in *.lum | *.txt) continue ;; esac
        files+=("$f")
        wins+=("$(winpath "$f")")
    done
    printf 'not an image\n' >"$work/notes.txt"
    files+=("$work/notes.txt")
    wins+=("$(winpath "$work/notes.txt")")
    run cscript //nologo "$(winpath "$repo/scripts/windows/control.vbs")" "${wins[@]}" >"$work/vbs.out"
    {
        echo "KeepImageFileOpen True=True 1=True False=False"
        for i in "${!files[@]}"; do expected_line "${files[$i]}" "$((i + 1))"; done
    } >"$work/vbs.expected"
    # Past the last output: E_INVALIDARG and the framework's message.
    grep -q '^GetHorzResolution(5, 0): 0x80070057 Output index 5 is out of range' "$work/vbs.out" ||
        fail "GetHorzResolution(5, 0) from VBScript: $(tail -n 1 "$work/vbs.out")"
    sed -i '/^GetHorzResolution(5, 0)/d' "$work/vbs.out"
    diff -u "$work/vbs.expected" "$work/vbs.out" || fail "VBScript answers differ from the Linux host's"
}

# Cases that stay with the Linux run: Wine's COM reads no per-user classes on activation; its
# OLE Automation copies a null string in a variant as an empty one and parses decimals to fewer
# places.
wine_differences='Server.PerUserRegistrationGoesToTheUsersClassesAndStillActivates'
wine_differences+=':Persist.TrampDataOfEveryVariantTypeRoundTrips'

# The stacks of every thread of the running Windows program named $1.
print_stacks() {
    local pid
    pid=$("$wine" winedbg --command "info process" 2>/dev/null | tr -d '\r' |
        awk -v exe="'$1'" 'index($0, exe) { sub(/^[^0-9a-f]*/, ""); print $1; exit }')
    [ -n "$pid" ] || return 0
    printf 'attach 0x%s\nbt all\ndetach\nquit\n' "$pid" | timeout 120 "$wine" winedbg 2>&1 |
        tr -d '\r' | awk -v pid="$pid" '
            function number(hex) { sub(/^0+/, "", hex); return hex }
            /^Backtracing for thread/ { keep = number($7) == number(pid) }
            keep'
}

# Runs a test program, its output in $2, for at most 300 s; one still running then is taken as
# hung: the stacks of its threads are printed and it is ended (status 124).
run_test_program() {
    local program=$1 log=$2 tenths=0 pid
    shift 2
    "$wine" "$program" "$@" >"$log" 2>&1 &
    pid=$!
    while kill -0 "$pid" 2>/dev/null && [ "$tenths" -lt 3000 ]; do
        sleep 0.1
        tenths=$((tenths + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "$(basename "$program"): still running after 300 s; the stacks of its threads:"
        print_stacks "$(basename "$program")" | head -n 200
        kill -9 "$pid"
        wait "$pid" 2>/dev/null
        sed -i 's/\r$//' "$log"
        return 124
    fi
    local status=0
    wait "$pid" || status=$?
    sed -i 's/\r$//' "$log"
    return "$status"
}

check_test_programs() {
    local program name status
    export ZYN_TEST_TMP=$work/testtmp
    mkdir -p "$ZYN_TEST_TMP"
    # The client test leaves the control's saved state there, for check_saved_state.
    ZYN_SAVED_STATE=$(winpath "$work/state.windows")
    export ZYN_SAVED_STATE
    for name in $(sed -n 's/^windows_tests=(\(.*\))$/\1/p' "$repo/scripts/build-windows.sh"); do
        name=test_$name
        program=$tree/$name.exe
        status=0
        run_test_program "$program" "$work/$name.log" --gtest_filter="-$wine_differences" ||
            status=$?
        [ "$status" -eq 0 ] && continue
        grep -E 'Failure|FAILED|Unhandled' "$work/$name.log" | head -n 20 || true
        # Which test was running, or whether all had passed and the program did not end.
        [ "$status" -eq 124 ] && tail -n 3 "$work/$name.log"
        fail "$name under Wine (exit status $status)"
    done
    # Registration tests leave the class unregistered.
    run regsvr32 /s "$(winpath "$tree/zyncomponent.dll")" >/dev/null || fail "regsvr32 again"
}

# The same state saved by the Linux build's control: identical bytes (the identity GUID aside).
check_saved_state() {
    ZYN_TEST_TMP=$work/testtmp ZYN_SAVED_STATE=$work/state.linux "$repo/build/test_client" \
        --gtest_brief=1 --gtest_filter='Client.Saves*' >"$work/client.linux.log" 2>&1 ||
        fail "the Linux client: $(grep -m 3 -E 'Failure|FAILED' "$work/client.linux.log")"
    [ -s "$work/state.windows" ] || fail "the Windows client saved no state"
    cmp "$work/state.linux" "$work/state.windows" ||
        fail "the control's saved state differs from the Linux build's"
}

check_host() {
    local f base
    for f in "$work"/samples/*; do
        case "$f" in *.lum) continue ;; esac
        base=$(basename "$f")
        "$repo/build/anyimage" info "$f" | grep -v '^Control:' >"$work/info.linux"
        run "$tree/anyimage.exe" info "$f" | grep -v '^Control:' >"$work/info.windows"
        diff -u "$work/info.linux" "$work/info.windows" || fail "anyimage.exe info $base"
        "$repo/build/anyimage" render "$f" -o "$work/linux.tif" >/dev/null 2>&1 || continue
        run "$tree/anyimage.exe" render "$f" -o "$work/windows.tif" >/dev/null ||
            fail "anyimage.exe render $base"
        # The TIFF writers compress with different deflate libraries, so the pictures are compared
        # as the Linux host reads them back.
        "$repo/build/anyimage" render "$work/linux.tif" -o "$work/linux-again.tif" >/dev/null
        "$repo/build/anyimage" render "$work/windows.tif" -o "$work/windows-again.tif" >/dev/null ||
            fail "anyimage.exe render $base: unreadable picture"
        cmp -s "$work/linux-again.tif" "$work/windows-again.tif" ||
            fail "anyimage.exe render $base: other pixels"
        rm -f "$work"/linux*.tif "$work"/windows*.tif
    done
}

# A process whose rendering threads wait for work must still end: at exit it once spun in about
# one render in ten, so thirty renders with the pool each have half a minute.
check_exit() {
    local i
    for i in $(seq 1 30); do
        timeout 30 "$wine" "$tree/anyimage.exe" render "$work/samples/sample.tif" \
            -o "$work/exit.tif" >/dev/null 2>&1 || { fail "anyimage.exe render run $i did not end"; return; }
    done
}

start_wine
write_samples
check_registration
check_test_programs
check_saved_state
check_script_host
check_host
check_exit
check_unregistration
if [ "$failures" -ne 0 ]; then
    echo "Windows: $failures check(s) failed"
    exit 1
fi
echo "Windows: registration, test programs, VBScript, anyimage.exe and unregistration agree with the Linux build"
