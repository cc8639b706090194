import os
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest
import zyn
import zyntestimages as images


def written(kind, path):
    """Writes a test image; returns the pixels of each resolution and the largest difference
    a lossy codec may leave at full size."""
    if kind == "ppm":
        return [images.ppm(path, 70, 50)], 0
    if kind == "bmp8":
        return [images.bmp(path, 33, 21, 8)], 0
    if kind == "bmp24":
        return [images.bmp(path, 33, 21, 24)], 0
    if kind == "png":
        return images.png_with_reduced(path, 60, 40), 0
    if kind == "png16":
        return [images.png_gray16(path, 30, 20)], 0
    if kind == "tiff":
        return images.tiff_with_reduced(path), 0
    if kind == "j2k":
        full = images.j2k(path, 70, 50, 3)
        return [full] + [images.j2k_reference(path, level) for level in (1, 2)], 0
    if kind == "jpeg":
        full = images.jpeg(path, 64, 48)
        return [full] + [images.jpeg_reference(path, 2**level) for level in (1, 2, 3)], 24
    raise ValueError(kind)


FORMATS = [
    # kind, file name, source, color space name, dtype
    ("ppm", "a.ppm", "PpmSource", "RGB", np.uint8),
    ("bmp8", "a.bmp", "BMPSource", "RGB", np.uint8),
    ("bmp24", "a.bmp", "BMPSource", "RGB", np.uint8),
    ("png", "a.png", "PNGSource", "RGB", np.uint8),
    ("png16", "a.png", "PNGSource", "Lum", np.uint16),
    ("tiff", "a.tif", "TiffSource", "RGB", np.uint8),
    ("j2k", "a.jp2", "J2KSource", "RGB", np.uint8),
    ("jpeg", "a.jpg", "JpegSource", "RGB", np.uint8),
]


@pytest.mark.parametrize("kind,name,source,space,dtype", FORMATS, ids=[f[0] for f in FORMATS])
def test_every_level_is_what_the_encoder_was_given(folder, kind, name, source, space, dtype):
    path = os.path.join(folder, name)
    levels, tolerance = written(kind, path)
    with zyn.open(path) as image:
        assert image.source == source
        assert image.status
        assert image.color_space[0] == space
        assert image.dtype == np.dtype(dtype)
        assert (image.width, image.height) == (levels[0].shape[1], levels[0].shape[0])
        assert image.bands == levels[0].shape[2]
        assert [(r.width, r.height) for r in image.resolutions] == [
            (e.shape[1], e.shape[0]) for e in levels
        ]
        for level, expected in enumerate(levels):
            pixels = image.read(level=level)
            assert pixels.dtype == np.dtype(dtype)
            assert pixels.shape == expected.shape
            allowed = tolerance if level == 0 else 0
            assert np.abs(pixels.astype(np.int64) - expected).max() <= allowed, level


@pytest.mark.parametrize(
    "rect,interleave",
    [
        (None, "pixel"),
        ((17, 9, 40, 30), "pixel"),
        ((17, 9, 40, 30), "line"),
        ((0, 49, 70, 1), "band"),
        ((69, 0, 1, 50), "band"),
    ],
)
def test_rectangles_in_every_interleave(folder, rect, interleave):
    path = os.path.join(folder, "a.ppm")
    expected = images.ppm(path, 70, 50)
    x, y, w, h = rect or (0, 0, 70, 50)
    with zyn.open(path, source="PpmSource", keep_open=False) as image:
        pixels = image.read(size=(70, 50), rect=rect, interleave=interleave)
    assert pixels.shape == (h, w, 3)
    np.testing.assert_array_equal(pixels, expected[y : y + h, x : x + w])


def test_a_read_fills_one_array_that_owns_its_samples(folder):
    path = os.path.join(folder, "a.ppm")
    images.ppm(path, 70, 50)
    with zyn.open(path) as image:
        pixels = image.read(interleave="band")
    assert pixels.strides == (70, 1, 70 * 50)
    assert pixels.base is not None and pixels.base.nbytes == 70 * 50 * 3
    pixels[0, 0, 0] = 7  # writable


def test_metadata_as_the_component_gives_it(folder):
    path = os.path.join(folder, "m.jpg")
    icc, luma = images.jpeg_with_metadata(path)
    with zyn.open(path) as image:
        assert image.metadata("DigitalProcess.ICCProfile") == icc
        assert image.metadata("DigitalProcess.Jpeg.LuminQTable") == luma
        assert image.metadata("ImageContainer.DisplayXResolution") == 300.0
        assert image.metadata("ImageContainer.DisplayYResolution") == 150.0
        assert isinstance(image.metadata("ImageContainer.DisplayResolutionUnit"), int)
        assert image.metadata("No.Such.Key") is None


def test_a_pipeline_reads_through_its_operations(folder):
    path = os.path.join(folder, "a.ppm")
    expected = images.ppm(path, 70, 50)
    with zyn.open(path) as image:
        image.pipeline(
            "ChannelSelect:allBands=false;inputs=[0,0,0];bands=[2,1,0];AlwaysCopy=false",
            "Affine:affines=[-1,0,70,0,1,0];unit=1;width=70;height=50;resamplingType=BILINEAR",
        )
        pixels = image.read()
    np.testing.assert_array_equal(pixels, expected[:, ::-1, ::-1])


@pytest.mark.parametrize("source", [None, "PNGSource"])
def test_attributes_reach_the_format_source(folder, source):
    path = os.path.join(folder, "a.png")
    levels = images.png_with_reduced(path, 60, 40)
    with zyn.open(path, source=source, attributes={"png_rgbtobgr": True}) as image:
        for level, expected in enumerate(levels):
            np.testing.assert_array_equal(image.read(level=level), expected[:, :, ::-1])
    gray = os.path.join(folder, "g.png")
    expected = images.png_gray16(gray, 30, 20)
    with zyn.open(gray, source=source, attributes={"png_16to8": "true"}) as image:
        np.testing.assert_array_equal(image.read(), expected >> 8)
    with pytest.raises(zyn.Error) as failure:
        zyn.open(gray, source=source, attributes={"no_such": 1})
    assert failure.value.code == 13


def test_reads_from_four_threads_equal_one(folder):
    path = os.path.join(folder, "a.tif")
    levels, _ = written("tiff", path)
    with zyn.open(path) as image:
        rects = [(x, y, 30, 20) for x in range(0, 67, 11) for y in range(0, 41, 7)] * 3
        alone = [image.read(level=0, rect=r) for r in rects]
        with ThreadPoolExecutor(4) as pool:
            together = list(pool.map(lambda r: image.read(level=0, rect=r), rects))
    for r, a, b in zip(rects, alone, together):
        np.testing.assert_array_equal(a, b)
        x, y, w, h = r
        np.testing.assert_array_equal(a, levels[0][y : y + h, x : x + w])


def errors(folder):
    ppm = os.path.join(folder, "a.ppm")
    images.ppm(ppm, 70, 50)
    junk = os.path.join(folder, "junk.txt")
    images.write_file(junk, "hello")
    missing = os.path.join(folder, "x.ppm")
    return [
        (lambda: zyn.open(junk), 153, "Failed to open the given file: " + junk),
        (lambda: zyn.open(missing), 153, "Failed to open the given file: " + missing),
        (
            lambda: zyn.open(missing, source="PpmSource"),
            130,
            'Cannot open "' + missing + '": No such file or directory',
        ),
        (lambda: zyn.open(ppm, source="NoSuch"), 153, 'No transform is registered as "NoSuch"'),
        (
            lambda: zyn.open(ppm).read(rect=(60, 0, 20, 10)),
            411,
            "requested (60,0) w=20, h=10 pixels from PPM image which is 70x50 pixels",
        ),
        (
            lambda: zyn.open(ppm).read(level=1),
            3,
            "Resolution level 1 does not exist; the image has 1",
        ),
        (lambda: zyn.open(ppm).read(size=(35, 25)), 3, "Unsupported resolution 35x25"),
        (lambda: zyn.open(ppm).pipeline("Blur:radius=2"), 153, None),
        (
            lambda: zyn.open(ppm).pipeline("Affine:affines=[1,0,0]"),
            13,
            "Illegal value for ZynAffineOp::Affines",
        ),
    ]


def test_errors_carry_the_components_code_and_message(folder):
    for call, code, message in errors(folder):
        with pytest.raises(zyn.Error) as failure:
            call()
        assert failure.value.code == code, failure.value.message
        if message is not None:
            assert failure.value.message == message
            assert str(failure.value) == message


@pytest.mark.parametrize(
    "call",
    [
        lambda image: image.read(level=0, size=(70, 50)),
        lambda image: image.read(rect=(0, 0, 0, 5)),
        lambda image: image.read(interleave="planar"),
        lambda image: image.pipeline("Contrast:contrast"),
    ],
)
def test_wrong_arguments_are_value_errors(folder, call):
    path = os.path.join(folder, "a.ppm")
    images.ppm(path, 70, 50)
    with zyn.open(path) as image, pytest.raises(ValueError):
        call(image)


def test_a_closed_image_answers_nothing(folder):
    path = os.path.join(folder, "a.ppm")
    images.ppm(path, 70, 50)
    with zyn.open(path) as image:
        pass
    with pytest.raises(ValueError):
        image.read()
