# A large PPM: whole-image statistics against reading and summing the file, and the memory of
# rendering one small rectangle.
ppm=$BENCH_DIR/large.ppm
[ -f "$ppm" ] || "$BIN/make_bench_ppm" 8000 6000 "$ppm"

bench_threads "ppm: anyimage stats" "$BIN/anyimage" stats "$ppm"
bench_time "ppm: floor (read and sum)" "$BIN/floor_ppm" "$ppm"
bench_vips "ppm: vips avg" vips avg "$ppm"
bench_other "ppm: ImageMagick mean" convert "$ppm" -format "%[fx:mean]" info:
bench_ratio "ppm: anyimage stats" "ppm: floor (read and sum)"
bench_ratio "ppm: anyimage stats" "ppm: vips avg"
bench_peer "ppm: anyimage stats" "ppm: vips avg"
bench_ratio "ppm: anyimage stats" "ppm: ImageMagick mean"
bench_peak "ppm: render 64x64 at 4000,3000" "$BIN/anyimage" render "$ppm" -o "$BENCH_DIR/rect.png" \
    --rect 4000,3000,64,64
