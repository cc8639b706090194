# A 4000 x 3000 lossy RGB JP2: statistics of the whole image at level 0 and at level 3, and of a
# 256 x 256 region at level 0, against OpenJPEG alone doing the same (the floor) and libvips.
j2k=$BENCH_DIR/large.jp2
[ -f "$j2k" ] || "$BIN/make_bench_j2k" 4000 3000 "$j2k"

bench_threads "j2k: anyimage stats level 0" "$BIN/anyimage" stats "$j2k"
bench_time "j2k: floor level 0" "$BIN/floor_j2k" "$j2k" 0
bench_vips "j2k: vips avg level 0" vips avg "$j2k"
bench_ratio "j2k: anyimage stats level 0" "j2k: floor level 0"
bench_ratio "j2k: anyimage stats level 0" "j2k: vips avg level 0"
bench_peer "j2k: anyimage stats level 0" "j2k: vips avg level 0"

bench_threads "j2k: anyimage stats level 3" "$BIN/anyimage" stats "$j2k" --level 3
bench_time "j2k: floor level 3" "$BIN/floor_j2k" "$j2k" 3
bench_vips "j2k: vips avg level 3" vips avg "$j2k[page=3]"
bench_ratio "j2k: anyimage stats level 3" "j2k: floor level 3"
bench_ratio "j2k: anyimage stats level 3" "j2k: vips avg level 3"
bench_peer "j2k: anyimage stats level 3" "j2k: vips avg level 3"

bench_threads "j2k: anyimage stats 256x256" "$BIN/anyimage" stats "$j2k" --rect 1800,1300,256,256
bench_time "j2k: floor 256x256" "$BIN/floor_j2k" "$j2k" 0 1800 1300 256 256
bench_vips "j2k: vips crop 256x256" vips crop "$j2k" "$BENCH_DIR/crop.v" \
    1800 1300 256 256
bench_ratio "j2k: anyimage stats 256x256" "j2k: floor 256x256"
bench_ratio "j2k: anyimage stats 256x256" "j2k: vips crop 256x256"
bench_peer "j2k: anyimage stats 256x256" "j2k: vips crop 256x256"
bench_peak "j2k: render 256x256 at 1800,1300" "$BIN/anyimage" render "$j2k" \
    -o "$BENCH_DIR/rect.png" --rect 1800,1300,256,256
