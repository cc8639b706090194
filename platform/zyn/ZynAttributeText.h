#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ZynColor.h"
#include "ZynColorSpace.h"
#include "ZynValue.h"
#include "ZynXyCoordSpace.h"

// Text form of an attribute value type. Types of other components specialise this template
// next to their own definition; fromText throws ZynError 13 on malformed text.
template <class T>
struct ZynAttributeText;

template <>
struct ZynAttributeText<bool> {
    static std::string name() { return "bool"; }
    static std::string toText(bool v);
    static bool fromText(const std::string& text);
};

template <>
struct ZynAttributeText<int> {
    static std::string name() { return "int"; }
    static std::string toText(int v);
    static int fromText(const std::string& text);
};

template <>
struct ZynAttributeText<unsigned> {
    static std::string name() { return "unsigned"; }
    static std::string toText(unsigned v);
    static unsigned fromText(const std::string& text);
};

template <>
struct ZynAttributeText<double> {
    static std::string name() { return "double"; }
    static std::string toText(double v);
    static double fromText(const std::string& text);
};

template <>
struct ZynAttributeText<std::string> {
    static std::string name() { return "string"; }
    static std::string toText(const std::string& v) { return v; }
    static std::string fromText(const std::string& text) { return text; }
};

template <>
struct ZynAttributeText<std::wstring> {
    static std::string name() { return "wstring"; }
    static std::string toText(const std::wstring& v);
    static std::wstring fromText(const std::string& text);
};

template <>
struct ZynAttributeText<std::vector<int>> {
    static std::string name() { return "int list"; }
    static std::string toText(const std::vector<int>& v);
    static std::vector<int> fromText(const std::string& text);
};

template <>
struct ZynAttributeText<ZynValue> {
    static std::string name() { return "ZynValue"; }
    static std::string toText(const ZynValue& v) { return v.toText(); }
    static ZynValue fromText(const std::string& text) { return ZynValue::fromText(text); }
};

template <>
struct ZynAttributeText<ZynColor> {
    static std::string name() { return "ZynColor"; }
    static std::string toText(const ZynColor& v) { return v.toText(); }
    static ZynColor fromText(const std::string& text) { return ZynColor::fromText(text); }
};

template <>
struct ZynAttributeText<ZynColorSpacePtr> {
    static std::string name() { return "ZynColorSpace"; }
    static std::string toText(const ZynColorSpacePtr& v) { return v ? v->toText() : ""; }
    static ZynColorSpacePtr fromText(const std::string& text) {
        return text.empty() ? nullptr : ZynColorSpace::fromText(text);
    }
};

template <>
struct ZynAttributeText<ZynCoordSpacePtr> {
    static std::string name() { return "ZynXyCoordSpace"; }
    static std::string toText(const ZynCoordSpacePtr& v) { return v ? v->toText() : ""; }
    static ZynCoordSpacePtr fromText(const std::string& text) {
        return text.empty() ? nullptr : ZynXyCoordSpace::fromText(text);
    }
};
