# A 4000 x 3000 DNG developed whole through anyimage stats, against LibRaw alone developing it
# (the floor); its preview (the thumbnail level) against LibRaw decoding it; then the recogniser,
# which meets every file first, timed on non-raw files of the other benchmarks and a plain TIFF
# in one-row strips: each must cost well under 2 ms.
dng=$BENCH_DIR/large.dng
plain=$BENCH_DIR/plain_strips.tif
[ -f "$dng" ] && [ -f "$plain" ] || "$BIN/make_bench_camera" 4000 3000 "$dng" "$plain"

bench_threads "camera: anyimage stats" "$BIN/anyimage" stats "$dng"
bench_time "camera: floor (develop and sum)" "$BIN/floor_camera" "$dng"
bench_ratio "camera: anyimage stats" "camera: floor (develop and sum)"

bench_threads "camera: anyimage stats thumbnail" "$BIN/anyimage" stats "$dng" --level 1
bench_time "camera: floor thumbnail" "$BIN/floor_camera" "$dng" thumb
bench_ratio "camera: anyimage stats thumbnail" "camera: floor thumbnail"
bench_peak "camera: render 256x256 at 1800,1300" "$BIN/anyimage" render "$dng" \
    -o "$BENCH_DIR/rect.png" --rect 1800,1300,256,256

[ -f "$BENCH_DIR/large.ppm" ] || "$BIN/make_bench_ppm" 8000 6000 "$BENCH_DIR/large.ppm"
[ -f "$BENCH_DIR/large.jpg" ] || "$BIN/make_bench_jpeg" 6000 4000 "$BENCH_DIR/large.jpg"
[ -f "$BENCH_DIR/large.jp2" ] || "$BIN/make_bench_j2k" 4000 3000 "$BENCH_DIR/large.jp2"
echo "  camera: recogniser, median of 200"
"$BIN/camera_recognise" 200 "$plain" "$BENCH_DIR/large.ppm" "$BENCH_DIR/large.jpg" \
    "$BENCH_DIR/large.jp2" "$dng" | sed 's/^/    /'
