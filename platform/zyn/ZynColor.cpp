#include "ZynColor.h"

#include <sstream>

#include "ZynError.h"

std::string ZynColor::toText() const {
    std::ostringstream out;
    out.precision(17);
    out << "[";
    for (size_t i = 0; i < values.size(); ++i) out << (i ? "," : "") << values[i];
    out << "]";
    return out.str();
}

ZynColor ZynColor::fromText(const std::string& text) {
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        throw ZynError(13, "Illegal value for ZynColor: " + text);
    ZynColor color;
    std::istringstream in(text.substr(1, text.size() - 2));
    std::string item;
    while (std::getline(in, item, ',')) {
        std::istringstream number(item);
        double v = 0;
        if (!(number >> v) || !(number >> std::ws).eof())
            throw ZynError(13, "Illegal value for ZynColor: " + text);
        color.values.push_back(v);
    }
    return color;
}
