"""Whole images into NumPy through zyn and through Pillow, timed inside one interpreter.

    numpy_read.py make FOLDER               writes bench.jpg, bench.png and bench.tif (4000 x 3000)
    numpy_read.py time zyn|pillow FILE RUNS prints the median seconds of open-and-read
"""

import os
import statistics
import sys
import time

import numpy as np


def make(folder):
    from PIL import Image

    y, x = np.mgrid[0:3000, 0:4000]
    noise = np.random.default_rng(1).integers(0, 24, (3000, 4000, 3))
    rgb = np.stack([x * 255 // 3999, y * 255 // 2999, (x + y) % 256], axis=2)
    picture = Image.fromarray(np.clip(rgb + noise - 12, 0, 255).astype(np.uint8))
    picture.save(os.path.join(folder, "bench.jpg"), quality=90)
    picture.save(os.path.join(folder, "bench.png"), compress_level=6)
    picture.save(os.path.join(folder, "bench.tif"), compression="tiff_adobe_deflate")


def read_zyn(path):
    import zyn

    with zyn.open(path) as image:
        return image.read()


def read_pillow(path):
    from PIL import Image

    with Image.open(path) as image:
        return np.asarray(image)


def median_seconds(read, path, runs):
    read(path)  # warm-up: imports, page cache
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        pixels = read(path)
        times.append(time.perf_counter() - start)
        assert pixels.shape == (3000, 4000, 3)
    return statistics.median(times)


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        reader = {"zyn": read_zyn, "pillow": read_pillow}[sys.argv[2]]
        print(f"{median_seconds(reader, sys.argv[3], int(sys.argv[4])):.4f}")
