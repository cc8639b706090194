# A large JPEG-tiled FlashPix image: whole-image statistics against libjpeg-turbo decoding its
# tiles, and the memory of rendering one small rectangle.
fpx=$BENCH_DIR/large.fpx
[ -f "$fpx" ] || "$BIN/make_bench_fpx" 4000 3000 "$fpx" "$BENCH_DIR/large.fpx.tiles"

bench_threads "fpx: anyimage stats" "$BIN/anyimage" stats "$fpx"
bench_time "fpx: floor (libjpeg-turbo tiles)" "$BIN/floor_fpx" "$BENCH_DIR/large.fpx.tiles"
bench_ratio "fpx: anyimage stats" "fpx: floor (libjpeg-turbo tiles)"
bench_peak "fpx: render 64x64 at 2000,1500" "$BIN/anyimage" render "$fpx" -o "$BENCH_DIR/rect.png" \
    --rect 2000,1500,64,64
