#!/usr/bin/env bash
# Installs what is missing, builds in Release, then describes and renders the given image files,
# or, with none, a set of sample images generated in every supported format.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
    samples=build/samples
    mkdir -p "$samples"
    build/zynsamples "$samples"
    mapfile -t files < <(find "$samples" -maxdepth 1 -type f ! -name '*.out.png' | sort)
fi

status=0
for f in "${files[@]}"; do
    echo "== $f"
    build/anyimage info "$f" || { status=1; continue; }
    out="$f.out.png"
    build/anyimage render "$f" -o "$out" && echo "wrote $out" || status=1
done
exit $status
