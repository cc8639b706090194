# A tiled 12000 x 12000 RGB pyramid: whole-image statistics against libtiff decoding the same
# tiles, then a 256 x 256 rectangle across four tiles of every level, with time and memory; then
# statistics of a 16-bit image against the same floor for 16-bit tiles.
tif=$BENCH_DIR/pyramid.tif
[ -f "$tif" ] || "$BIN/make_bench_tiff" "$tif" 12000

bench_threads "tiff: anyimage stats" "$BIN/anyimage" stats "$tif"
bench_time "tiff: floor (libtiff decode + stats)" "$BIN/floor_tiff" "$tif" 0
bench_vips "tiff: vips stats" vips stats "$tif" "$BENCH_DIR/stats.v"
bench_ratio "tiff: anyimage stats" "tiff: floor (libtiff decode + stats)"
bench_ratio "tiff: anyimage stats" "tiff: vips stats"
bench_peer "tiff: anyimage stats" "tiff: vips stats"
bench_peak "tiff: anyimage stats" "$BIN/anyimage" stats "$tif"
bench_peak "tiff: floor (libtiff decode + stats)" "$BIN/floor_tiff" "$tif" 0

size=12000
for level in 0 1 2 3 4 5; do
    x=$((size / 2 - 128)) y=$((size / 2 - 128))
    bench_threads "tiff: anyimage 256x256 level $level" "$BIN/anyimage" render "$tif" \
        -o "$BENCH_DIR/rect.ppm" --level "$level" --rect "$x,$y,256,256"
    bench_time "tiff: floor 256x256 level $level" "$BIN/floor_tiff" "$tif" "$level" "$x" "$y" \
        256 256 "$BENCH_DIR/floor.ppm"
    bench_vips "tiff: vips 256x256 level $level" vips crop "$tif[page=$level]" \
        "$BENCH_DIR/vips.ppm" "$x" "$y" 256 256
    bench_ratio "tiff: anyimage 256x256 level $level" "tiff: floor 256x256 level $level"
    size=$((size / 2))
done
bench_peak "tiff: anyimage 256x256 level 0" "$BIN/anyimage" render "$tif" -o "$BENCH_DIR/rect.ppm" \
    --level 0 --rect 5872,5872,256,256

# A 4096 x 4096 16-bit RGB image in uncompressed 256 x 256 tiles: statistics run at memory speed
# when the per-sample work keeps up with libtiff handing over the tiles.
tif16=$BENCH_DIR/rgb16.tif
[ -f "$tif16" ] || "$BIN/make_bench_tiff" "$tif16" 4096 16

bench_threads "tiff: anyimage stats 16-bit" "$BIN/anyimage" stats "$tif16"
bench_time "tiff: floor 16-bit (libtiff decode + stats)" "$BIN/floor_tiff" "$tif16" 0
bench_ratio "tiff: anyimage stats 16-bit" "tiff: floor 16-bit (libtiff decode + stats)"
