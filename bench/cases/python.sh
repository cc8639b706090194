# 4000 x 3000 RGB JPEG, PNG and TIFF (written by Pillow) read whole into NumPy through the
# Python module, against anyimage stats decoding the same file and Pillow's np.asarray. The two
# Python readers are timed inside the interpreter, so its start-up is not counted.
py=/usr/bin/python3
if ! ls "$BIN"/python/zyn*.so >/dev/null 2>&1; then
    echo "  python: the module was not built (ZYN_BUILD_PYTHON off)"
    return 0
fi
[ -f "$BENCH_DIR/bench.tif" ] || "$py" bench/numpy_read.py make "$BENCH_DIR"

for ext in jpg png tif; do
    file=$BENCH_DIR/bench.$ext
    bench_threads "python $ext: anyimage stats" "$BIN/anyimage" stats "$file"
    for reader in zyn pillow; do
        seconds=$(PYTHONPATH=$BIN/python "$py" bench/numpy_read.py time "$reader" "$file" "$RUNS")
        BENCH_TIMES["python $ext: $reader read"]=$seconds
        printf '  %-40s %8.3f s (median of %d)\n' "python $ext: $reader read" "$seconds" "$RUNS"
    done
    bench_ratio "python $ext: zyn read" "python $ext: anyimage stats"
    bench_ratio "python $ext: zyn read" "python $ext: pillow read"
done
