# A 6000 x 4000 baseline JPEG decoded whole at full size and at 1/8 through anyimage stats, against
# libjpeg-turbo alone doing the same decode and libvips shrinking on load; then band sweeps
# top to bottom and bottom to top.
jpeg=$BENCH_DIR/large.jpg
[ -f "$jpeg" ] || "$BIN/make_bench_jpeg" 6000 4000 "$jpeg"

bench_threads "jpeg: anyimage stats" "$BIN/anyimage" stats "$jpeg"
bench_time "jpeg: floor (decode and sum)" "$BIN/floor_jpeg" "$jpeg"
bench_vips "jpeg: vips avg" vips avg "$jpeg"
bench_ratio "jpeg: anyimage stats" "jpeg: floor (decode and sum)"
bench_ratio "jpeg: anyimage stats" "jpeg: vips avg"
bench_peer "jpeg: anyimage stats" "jpeg: vips avg"

bench_threads "jpeg: anyimage stats 1/8" "$BIN/anyimage" stats "$jpeg" --level 3
bench_time "jpeg: floor 1/8" "$BIN/floor_jpeg" "$jpeg" 8
bench_vips "jpeg: vips shrink-on-load 1/8" vips avg "$jpeg[shrink=8]"
bench_ratio "jpeg: anyimage stats 1/8" "jpeg: floor 1/8"
bench_ratio "jpeg: anyimage stats 1/8" "jpeg: vips shrink-on-load 1/8"
bench_peer "jpeg: anyimage stats 1/8" "jpeg: vips shrink-on-load 1/8"

bench_time "jpeg: band sweep down" "$BIN/jpeg_band_sweep" "$jpeg" down
bench_time "jpeg: band sweep up" "$BIN/jpeg_band_sweep" "$jpeg" up
bench_ratio "jpeg: band sweep down" "jpeg: floor (decode and sum)"
bench_ratio "jpeg: band sweep up" "jpeg: floor (decode and sum)"
bench_peak "jpeg: band sweep up" "$BIN/jpeg_band_sweep" "$jpeg" up
