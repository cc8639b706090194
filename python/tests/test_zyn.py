import os
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest
import zyn
import zyntestimages as images

MIRROR = "Affine:affines=[-1,0,70,0,1,0];unit=1;width=70;height=50;resamplingType=BILINEAR"


RAW_DESCRIPTION = """{
\traw_img_width = 37 ;
\traw_img_height = 23 ;
\traw_img_channels = 2 ;
\traw_img_datatype = uint16 ;
\traw_img_colorspace = Generic[2:0,65535] ;
\traw_img_offset = 5 ;
\traw_img_organization = 0 ;
\traw_img_hardware_desc = intelHWD ;
}
"""


def raw_samples(path):
    samples = np.arange(37 * 23 * 2, dtype="<u2").reshape(23, 37, 2) * 97
    with open(path, "wb") as out:
        out.write(b"HEAD!" + samples.tobytes())
    return samples


class Level:
    """What a resolution must hold: exact pixels, pixels within `tolerance`, pixels within it
    away from the edges of blocks of `block` equal pixels, or (None) only a shape."""

    def __init__(self, pixels, tolerance=0, block=None, shape=None):
        self.pixels, self.tolerance, self.block = pixels, tolerance, block
        self.shape = pixels.shape if pixels is not None else shape

    def check(self, pixels):
        assert pixels.shape == self.shape
        if self.pixels is None:
            return
        difference = np.abs(pixels.astype(np.int64) - self.pixels)
        if self.block:
            rows = np.arange(self.shape[0]) % self.block != self.block - 1
            columns = np.arange(self.shape[1]) % self.block != self.block - 1
            difference = difference[rows[:, None] & columns[None, :]]
        assert difference.max() <= self.tolerance


def written(kind, path):
    """Writes a test image; returns the open arguments and what each resolution holds."""
    if kind == "ppm":
        return {}, [Level(images.ppm(path, 70, 50))]
    if kind in ("bmp8", "bmp24"):
        return {}, [Level(images.bmp(path, 33, 21, int(kind[3:])))]
    if kind == "png":
        return {}, [Level(p) for p in images.png_with_reduced(path, 60, 40)]
    if kind == "png16":
        return {}, [Level(images.png_gray16(path, 30, 20))]
    if kind == "tiff":
        return {}, [Level(p) for p in images.tiff_with_reduced(path)]
    if kind == "j2k":
        full = images.j2k(path, 70, 50, 3)
        return {}, [Level(full)] + [Level(images.j2k_reference(path, n)) for n in (1, 2)]
    if kind == "jpeg":
        full = images.jpeg(path, 64, 48)
        return {}, [Level(full, 24)] + [
            Level(images.jpeg_reference(path, 2**n)) for n in (1, 2, 3)
        ]
    if kind == "exif":
        full, thumbnail, nail = images.exif(path)
        reduced = [Level(images.jpeg_reference(path, 2**n)) for n in (1, 2, 3)]
        return {"source": "ExifSource"}, [Level(full, 24)] + reduced + [Level(thumbnail), Level(nail)]
    if kind == "imps":
        return {}, [Level(images.imps(os.path.dirname(path), 40, 30))]
    if kind == "vdx":
        # Chroma is interpolated between blocks; photo YCC rounds by up to two levels.
        base = images.vdx(path)
        return {}, [Level(base[::s, ::s], 2, 8 // s) for s in (1, 2, 4)]
    if kind == "fpx":
        return {}, [Level(p) for p in images.fpx(path)]
    if kind == "dng":
        # The developed mosaic has no independent reference; the preview has.
        return {}, [Level(None, shape=(48, 64, 3)), Level(images.dng(path))]
    if kind == "raw":
        return {"source": "RawImageSource", "description": RAW_DESCRIPTION}, [
            Level(raw_samples(path))
        ]
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
    ("exif", "a.jpg", "ExifSource", "RGB", np.uint8),
    ("imps", "imps.doc", "IMPSSource", "Lum", np.int16),
    ("vdx", "a.vdx", "OrbidiscSource", "VDXRGB", np.uint8),
    ("fpx", "a.fpx", "FPXSource", "RGB", np.uint8),
    ("dng", "a.dng", "RVQSource", "RGB", np.uint8),
    ("raw", "a.raw", "RawImageSource", "Generic", np.uint16),
]


@pytest.mark.parametrize("kind,name,source,space,dtype", FORMATS, ids=[f[0] for f in FORMATS])
def test_every_level_holds_what_the_encoder_was_given(folder, kind, name, source, space, dtype):
    path = os.path.join(folder, name)
    arguments, levels = written(kind, path)
    with zyn.open(path, **arguments) as image:
        assert image.source == source
        assert image.status
        assert image.color_space[0] == space
        assert image.dtype == np.dtype(dtype)
        assert (image.height, image.width, image.bands) == levels[0].shape
        assert [(r.height, r.width) for r in image.resolutions] == [
            level.shape[:2] for level in levels
        ]
        for n, level in enumerate(levels):
            pixels = image.read(level=n)
            assert pixels.dtype == np.dtype(dtype)
            level.check(pixels)


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
            MIRROR,
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


@pytest.mark.parametrize(
    "kind,name,steps",
    [("tiff", "a.tif", []), ("jpeg", "a.jpg", []), ("j2k", "a.jp2", []), ("ppm", "a.ppm", [MIRROR])],
)
def test_reads_from_four_threads_equal_one(folder, kind, name, steps):
    path = os.path.join(folder, name)
    arguments, _ = written(kind, path)
    with zyn.open(path, **arguments) as image:
        image.pipeline(*steps)
        width, height = image.width, image.height
        rects = [(x, y, 30, 20) for x in range(0, width - 30, 11) for y in range(0, height - 20, 7)]
        alone = [image.read(level=0, rect=r) for r in rects]
        with ThreadPoolExecutor(4) as pool:
            together = list(pool.map(lambda r: image.read(level=0, rect=r), rects * 3))
    for a, b in zip(alone * 3, together):
        np.testing.assert_array_equal(a, b)


def test_reads_after_a_pipeline_is_appended_go_through_it(folder):
    path = os.path.join(folder, "a.ppm")
    expected = images.ppm(path, 70, 50)
    with zyn.open(path) as image:
        with ThreadPoolExecutor(4) as pool:
            before = list(pool.map(lambda _: image.read(), range(4)))
        image.pipeline(MIRROR)
        with ThreadPoolExecutor(4) as pool:
            after = list(pool.map(lambda _: image.read(), range(4)))
    for pixels in before:
        np.testing.assert_array_equal(pixels, expected)
    for pixels in after:
        np.testing.assert_array_equal(pixels, expected[:, ::-1])


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
        lambda image: image.read(rect=(0, 0, 2**32 + 3, 5)),
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
