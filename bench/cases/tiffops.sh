# Whole-image operations over a 4096 x 4096 RGB TIFF in Deflate-coded 256 x 256 tiles, each
# written to a PPM file, at one thread and at all cores: a bicubic rotation by 10 degrees against
# libvips' affine, and a colour matrix against libvips' recomb (the same work per pixel; the
# operation's matrix applies in its own colour space, so the pixels differ).
tif=$BENCH_DIR/tiffops.tif
[ -f "$tif" ] || "$BIN/make_bench_tiff" "$tif" 4096
cos=0.984807753012208
sin=0.17364817766693
rotate="Affine:affines=[$cos,-$sin,0,$sin,$cos,0];resamplingType=BICUBIC"
twist="ColorMatrix:colorMatrix=ZynMatrix<float64>[4,4:1,0,0,0;0,1.3,0,0;0,0,1.3,0;0,0,0,1]"
printf '3 3 1 0\n1 0 0\n0 1.3 0\n0 0 1.3\n' >"$BENCH_DIR/tiffops-twist.mat"

bench_threads "tiffops: rotate 10 bicubic" "$BIN/anyimage" render "$tif" \
    -o "$BENCH_DIR/tiffops-rot.ppm" --op "$rotate"
bench_vips "tiffops: vips affine bicubic" vips affine "$tif" "$BENCH_DIR/tiffops-rot-vips.ppm" \
    "$cos $sin -$sin $cos" --interpolate bicubic --oarea "0 0 4096 4096"
bench_ratio "tiffops: rotate 10 bicubic" "tiffops: vips affine bicubic"
bench_peer "tiffops: rotate 10 bicubic" "tiffops: vips affine bicubic"

bench_threads "tiffops: colour matrix" "$BIN/anyimage" render "$tif" \
    -o "$BENCH_DIR/tiffops-twist.ppm" --op "$twist"
bench_vips "tiffops: vips recomb" vips recomb "$tif" "$BENCH_DIR/tiffops-twist-vips.ppm" \
    "$BENCH_DIR/tiffops-twist.mat"
bench_ratio "tiffops: colour matrix" "tiffops: vips recomb"
bench_peer "tiffops: colour matrix" "tiffops: vips recomb"
rm -f "$BENCH_DIR"/tiffops-*.ppm
