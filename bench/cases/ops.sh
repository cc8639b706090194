# Operations on a 6000 x 4000 RGB image: a bicubic rotation by 10 degrees and a bilinear 0.37x
# scale against libvips' affine with the same interpolator (the same output size; one thread each,
# then all cores) and ImageMagick's interpolated distort (one thread); contrast and colour matrix,
# through whole-image statistics, against a plain loop doing the same work (the floor).
ppm=$BENCH_DIR/ops.ppm
[ -f "$ppm" ] || "$BIN/make_bench_ppm" 6000 4000 "$ppm"
cos=0.984807753012208
sin=0.17364817766693
rotate="Affine:affines=[$cos,-$sin,0,$sin,$cos,0];resamplingType=BICUBIC"
scale="Affine:affines=[2.7027027027027026,0,0,0,2.7027027027027026,0];width=0.37;height=0.37"
scale="$scale;resamplingType=BILINEAR"
twist="ColorMatrix:colorMatrix=ZynMatrix<float64>[4,4:1,0,0,0;0,1.3,0,0;0,0,1.3,0;0,0,0,1]"

bench_threads "ops: rotate 10 bicubic" "$BIN/anyimage" render "$ppm" -o "$BENCH_DIR/ops-rot.ppm" \
    --op "$rotate"
bench_vips "ops: vips affine bicubic" vips affine "$ppm" \
    "$BENCH_DIR/ops-rot-vips.ppm" "$cos $sin -$sin $cos" --interpolate bicubic \
    --oarea "0 0 6000 4000"
bench_other "ops: ImageMagick distort catrom" convert -limit thread 1 "$ppm" \
    -interpolate catrom -filter point -distort SRT 10 "$BENCH_DIR/ops-rot-im.ppm"
bench_ratio "ops: rotate 10 bicubic" "ops: vips affine bicubic"
bench_peer "ops: rotate 10 bicubic" "ops: vips affine bicubic"
bench_ratio "ops: rotate 10 bicubic" "ops: ImageMagick distort catrom"

bench_threads "ops: scale 0.37 bilinear" "$BIN/anyimage" render "$ppm" -o "$BENCH_DIR/ops-small.ppm" \
    --op "$scale"
bench_vips "ops: vips affine bilinear" vips affine "$ppm" \
    "$BENCH_DIR/ops-small-vips.ppm" "0.37 0 0 0.37" --interpolate bilinear
# resize filters over the whole footprint of an output pixel: more work, shown for reference.
bench_vips "ops: vips resize linear" vips resize "$ppm" \
    "$BENCH_DIR/ops-small-resize.ppm" 0.37 --kernel linear
bench_other "ops: ImageMagick distort bilinear" convert -limit thread 1 "$ppm" \
    -interpolate bilinear -filter point -distort Resize 2220x1480 "$BENCH_DIR/ops-small-im.ppm"
bench_ratio "ops: scale 0.37 bilinear" "ops: vips affine bilinear"
bench_peer "ops: scale 0.37 bilinear" "ops: vips affine bilinear"
bench_ratio "ops: scale 0.37 bilinear" "ops: vips resize linear"
bench_ratio "ops: scale 0.37 bilinear" "ops: ImageMagick distort bilinear"

bench_threads "ops: contrast 1.2 stats" "$BIN/anyimage" stats "$ppm" --op "Contrast:contrast=1.2"
bench_time "ops: floor contrast" "$BIN/floor_ops" contrast 1.2 "$ppm"
bench_ratio "ops: contrast 1.2 stats" "ops: floor contrast"

bench_threads "ops: colour matrix stats" "$BIN/anyimage" stats "$ppm" --op "$twist"
bench_time "ops: floor colour matrix" "$BIN/floor_ops" matrix "$ppm"
bench_ratio "ops: colour matrix stats" "ops: floor colour matrix"
rm -f "$BENCH_DIR"/ops-*.ppm
