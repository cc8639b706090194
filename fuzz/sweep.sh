#!/usr/bin/env bash
# The damaged-file sweep (fuzz/sweep.py): installs the independent encoders it writes its files
# with, builds the Release tree and runs every cut, corrupted and huge-claiming file through
# anyimage. Prints one summary line; fails on any crash, run over 5 s or over 512 MiB.
#   bash fuzz/sweep.sh [WORKDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-${TMPDIR:-/tmp}/zyn-sweep}
tools=(imagemagick libtiff-tools libjpeg-turbo-progs libopenjp2-tools)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
bash scripts/build.sh
rm -rf "$work"
python3 fuzz/sweep.py build/anyimage build/peakrss build/zynsamples "$work"
