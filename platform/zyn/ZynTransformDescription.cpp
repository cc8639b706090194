#include "ZynTransformDescription.h"

#include <fstream>
#include <sstream>

#include "QorSystem.h"
#include "ZynError.h"
#include "ZynGraph.h"
#include "ZynImageOutputCP.h"
#include "ZynTransform.h"

namespace {

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Splits "name = value ;" into its parts; false for anything else.
bool splitEntry(const std::string& line, std::string& name, std::string& value) {
    const size_t equals = line.find(" = ");
    if (equals == std::string::npos) return false;
    name = trim(line.substr(0, equals));
    value = line.substr(equals + 3);
    const size_t end = value.rfind(" ;");
    if (end != std::string::npos && trim(value.substr(end + 2)).empty())
        value.resize(end);
    else
        value = trim(value);
    return !name.empty();
}

std::string unquote(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

void dumpOne(ZynTransform& t, std::ostream& out) {
    out << "# " << t.typeName() << " status " << (t.status() ? "OK" : "FAILED");
    if (!t.status() && !t.error().message().empty()) out << ": " << t.error().message();
    out << "\n";
    for (int i = 0; i < t.numOutputs(); ++i) {
        out << "# output " << i << " \"" << t.output(i).name() << "\"";
        const ZynImageOutputCP* o = t.imageOutput(i);
        if (o && o->hasDescription())
            out << " " << o->colorSpace()->toText() << " " << o->coordSpace()->toText() << " "
                << o->dataOrg()->toText();
        out << "\n";
    }
    zynSaveTransform(t, out);
}

}  // namespace

void zynSaveAttributes(const ZynTransform& transform, std::ostream& out) {
    out << "label = \"" << transform.label() << "\"\n";
    for (const auto& a : transform.attributes())
        out << "\t" << a->name() << " = " << a->toText() << " ;\n";
    out << "}\n";
}

void zynLoadAttributes(ZynTransform& transform, std::istream& in) {
    std::string line;
    while (std::getline(in, line) && line.find('{') == std::string::npos) {
    }
    bool skipping = false;
    while (std::getline(in, line)) {
        if (trim(line) == "}") return;
        if (skipping) continue;
        std::string name, value;
        if (!splitEntry(line, name, value)) continue;
        if (name == "label") {
            transform.setLabel(unquote(value).substr(0, 255));
        } else if (transform.hasAttribute(name)) {
            transform.setAttributeText(name, value);
        } else {
            skipping = true;
        }
    }
}

void zynSaveTransform(const ZynTransform& transform, std::ostream& out) {
    out << "{\n";
    transform.saveDescription(out);
}

void zynDumpGraph(ZynTransform& root, const std::string& path) {
    std::ofstream out(qorFsPath(path));
    if (!out)
        throw ZynError(
            130, "Cannot write the graph to \"" + path + "\": " + QorError::lastOsErrorText());
    for (ZynTransform* t : ZynGraph::closure(root)) dumpOne(*t, out);
    if (!out) throw ZynError(130, "Cannot write the graph to \"" + path + "\"");
}
