// The Python module: images of every format the component reads, pulled into NumPy arrays.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "ComBstr.h"
#include "ComString.h"
#include "ComVariant.h"
#include "PythonImage.h"
#include "ZynError.h"

namespace py = pybind11;

namespace {

// Owned by the module, which outlives every call into it.
py::handle errorType;
py::handle resolutionType;

[[noreturn]] void raiseClosed() {
    throw py::value_error("the image is closed");
}

ZynInterleave interleaveNamed(const std::string& name) {
    if (name == "pixel") return ZynInterleave::Pixel;
    if (name == "line") return ZynInterleave::Line;
    if (name == "band") return ZynInterleave::Band;
    throw py::value_error("interleave wants \"pixel\", \"line\" or \"band\", not \"" + name + "\"");
}

py::dtype dtypeOf(ZynDataType type) {
    return py::dtype(zynDataTypeName(type));
}

template <class T>
py::tuple arrayElements(SAFEARRAY* array) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    const auto* elements = static_cast<const T*>(data);
    py::tuple values(array->rgsabound[0].cElements);
    for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) values[i] = py::cast(elements[i]);
    SafeArrayUnaccessData(array);
    return values;
}

py::object pythonValue(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return py::none();
        case VT_I4:
            return py::int_(value.lVal);
        case VT_I8:
            return py::int_(value.llVal);
        case VT_R8:
            return py::float_(value.dblVal);
        case VT_BSTR:
            return py::str(comToUtf8(ComBstr::copyOf(value.bstrVal).text().c_str()));
        case VT_ARRAY | VT_UI1: {
            void* data = nullptr;
            SafeArrayAccessData(value.parray, &data);
            py::bytes bytes(static_cast<const char*>(data), value.parray->rgsabound[0].cElements);
            SafeArrayUnaccessData(value.parray);
            return bytes;
        }
        case VT_ARRAY | VT_UI2:
            return arrayElements<USHORT>(value.parray);
        case VT_ARRAY | VT_R8:
            return arrayElements<double>(value.parray);
        default:
            throw py::type_error("a metadata value of variant type " + std::to_string(value.vt));
    }
}

// The Python object: the image until close().
class Image {
  public:
    Image(const std::string& path, const std::optional<std::string>& source,
          const std::optional<std::string>& description, bool keepOpen,
          const std::map<std::string, std::string>& attributes) {
        const PythonImage::Opening opening{path, source.value_or(""), description.value_or(""),
                                           keepOpen, attributes};
        py::gil_scoped_release unlocked;
        image_ = std::make_unique<PythonImage>(opening);
    }

    PythonImage& image() const {
        if (!image_) raiseClosed();
        return *image_;
    }
    void close() { image_.reset(); }

    py::tuple colorSpace() const {
        const ZynColorSpacePtr space = image().colorSpace();
        return py::make_tuple(space->name(), space->bands(),
                              py::make_tuple(space->minimum(), space->maximum()));
    }

    py::list resolutions() const {
        py::list all;
        for (const ZynResolution& r : image().resolutions()) {
            const ZynOutputInfo info = image().outputInfo(r);
            all.append(resolutionType(
                r.width, r.height, py::make_tuple(info.dataOrg->width(), info.dataOrg->height())));
        }
        return all;
    }

    ZynOutputInfo fullInfo() const { return image().outputInfo(image().defaultResolution()); }

    py::object metadata(const std::string& key) const {
        ComVariant value;
        image().metaData(key, &value);
        return pythonValue(value);
    }

    py::array read(std::optional<int> level, std::optional<std::pair<uint32_t, uint32_t>> size,
                   std::optional<std::tuple<int64_t, int64_t, int64_t, int64_t>> rect,
                   const std::string& interleave) const {
        if (level && size) throw py::value_error("give level or size, not both");
        PythonImage& img = image();
        const ZynResolution resolution = level  ? img.resolutionAt(*level)
                                         : size ? img.checkedResolution({size->first, size->second})
                                                : img.defaultResolution();
        ZynRect area{0, 0, resolution.width, resolution.height};
        if (rect) {
            const auto [x, y, w, h] = *rect;
            if (w <= 0 || h <= 0) throw py::value_error("rect wants a positive width and height");
            if (w > INT32_MAX || h > INT32_MAX)
                throw py::value_error("rect is larger than any image");
            area = {x, y, w, h};
        }
        const ZynOutputInfo info = img.outputInfo(resolution);
        const ZynDataType type = info.dataOrg->dataType();
        const int bands = info.dataOrg->bands();
        const auto org = std::make_shared<ZynSimpleDataOrg>(
            static_cast<uint32_t>(area.width), static_cast<uint32_t>(area.height), type, bands,
            interleaveNamed(interleave));
        const auto sample = static_cast<py::ssize_t>(org->sampleSize());
        py::array storage(
            dtypeOf(type),
            std::vector<py::ssize_t>{static_cast<py::ssize_t>(org->bytesNeeded() / sample)});
        const py::ssize_t bandStride = bands > 1 ? org->bandOffset(1) - org->bandOffset(0) : 1;
        py::array pixels(
            dtypeOf(type), {area.height, area.width, static_cast<int64_t>(bands)},
            {org->lineStride() * sample, org->pixelStride() * sample, bandStride * sample},
            storage.mutable_data(), storage);
        const ZynRectBuffer buffer(area, org, storage.mutable_data());
        const std::shared_ptr<ReaderPool> readers = img.readers();
        {
            py::gil_scoped_release unlocked;
            const ReaderPool::Lease lease = readers->borrow();
            PythonImage::render(lease.graph(), resolution, buffer);
        }
        return pixels;
    }

  private:
    std::unique_ptr<PythonImage> image_;
};

std::map<std::string, std::string> attributeTexts(const py::dict& attributes) {
    std::map<std::string, std::string> texts;
    for (const auto& [name, value] : attributes) {
        const bool isBool = py::isinstance<py::bool_>(value);
        texts[py::str(name)] = isBool ? (value.cast<bool>() ? "true" : "false")
                                      : static_cast<std::string>(py::str(value));
    }
    return texts;
}

}  // namespace

PYBIND11_MODULE(zyn, m) {
    m.doc() = "Images of every format the component reads, as NumPy arrays.";

    errorType = PyErr_NewExceptionWithDoc(
        "zyn.Error", "A failure of the component: .code and .message are its own.", nullptr,
        nullptr);
    m.attr("Error") = errorType;
    m.attr("Resolution") =
        py::module_::import("collections")
            .attr("namedtuple")("Resolution", "width height tile", py::arg("module") = "zyn");
    resolutionType = m.attr("Resolution");
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const QorError& e) {
            py::object error = py::reinterpret_borrow<py::object>(errorType)(e.message());
            error.attr("code") = e.code();
            error.attr("message") = e.message();
            PyErr_SetObject(errorType.ptr(), error.ptr());
        }
    });

    py::class_<Image>(m, "Image", "An image file opened by zyn.open.")
        .def_property_readonly("source", [](const Image& i) { return i.image().sourceName(); })
        .def_property_readonly("status", [](const Image& i) { return i.image().statusOK(); })
        .def_property_readonly("width",
                               [](const Image& i) { return i.image().defaultResolution().width; })
        .def_property_readonly("height",
                               [](const Image& i) { return i.image().defaultResolution().height; })
        .def_property_readonly("resolutions", &Image::resolutions)
        .def_property_readonly("color_space", &Image::colorSpace)
        .def_property_readonly(
            "dtype", [](const Image& i) { return dtypeOf(i.fullInfo().dataOrg->dataType()); })
        .def_property_readonly("bands",
                               [](const Image& i) { return i.fullInfo().dataOrg->bands(); })
        .def("metadata", &Image::metadata, py::arg("key"))
        .def("read", &Image::read, py::kw_only(), py::arg("level") = py::none(),
             py::arg("size") = py::none(), py::arg("rect") = py::none(),
             py::arg("interleave") = "pixel")
        .def(
            "pipeline",
            [](Image& i, py::args steps) -> Image& {
                i.image().append(steps.cast<std::vector<std::string>>());
                return i;
            },
            py::return_value_policy::reference_internal)
        .def("close", &Image::close)
        .def(
            "__enter__", [](Image& i) -> Image& { return i; },
            py::return_value_policy::reference_internal)
        .def("__exit__", [](Image& i, py::args) { i.close(); });

    m.def(
        "open",
        [](const std::string& path, const std::optional<std::string>& source,
           const std::optional<std::string>& description, bool keepOpen,
           const py::dict& attributes) {
            return Image(path, source, description, keepOpen, attributeTexts(attributes));
        },
        py::arg("path"), py::kw_only(), py::arg("source") = py::none(),
        py::arg("description") = py::none(), py::arg("keep_open") = true,
        py::arg("attributes") = py::dict(),
        "Opens an image by recognising its format, or with the source of that registry name.");
}
