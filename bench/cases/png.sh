# A large RGB PNG: whole-image statistics against libpng decoding it row by row, a top-to-bottom
# sweep of 256-row strips (with the file kept open, and closed after every strip), and the memory
# of rendering one small rectangle.
png=$BENCH_DIR/large.png
[ -f "$png" ] || "$BIN/make_bench_png" 6000 4000 "$png"

bench_threads "png: anyimage stats" "$BIN/anyimage" stats "$png"
bench_time "png: floor (libpng rows)" "$BIN/floor_png" "$png"
bench_vips "png: vips avg" vips avg "$png"
bench_other "png: ImageMagick mean" convert "$png" -format "%[fx:mean]" info:
bench_time "png: sweep of 256-row strips" env ZYN_STRIP_HEIGHT=256 "$BIN/anyimage" stats "$png"
bench_time "png: sweep, file closed per strip" env ZYN_STRIP_HEIGHT=256 "$BIN/anyimage" stats \
    "$png" --no-keep-open
bench_ratio "png: anyimage stats" "png: floor (libpng rows)"
bench_ratio "png: anyimage stats" "png: vips avg"
bench_peer "png: anyimage stats" "png: vips avg"
bench_ratio "png: anyimage stats" "png: ImageMagick mean"
bench_ratio "png: sweep of 256-row strips" "png: floor (libpng rows)"
bench_ratio "png: sweep, file closed per strip" "png: floor (libpng rows)"
bench_peak "png: render 64x64 at 4000,3000" "$BIN/anyimage" render "$png" -o "$BENCH_DIR/rect.png" \
    --rect 4000,3000,64,64
