#include "sim/Journal.h"

#include <cstdio>

namespace vt::sim {

std::string jsonString(std::string_view text) {
    std::string s = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += ch;
        } else if (c == '\r') {
            s += "\\r";
        } else if (c == '\n') {
            s += "\\n";
        } else if (c < 0x20 || c > 0x7E) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            s += buf;
        } else {
            s += ch;
        }
    }
    return s + "\"";
}

JsonLine::JsonLine(int64_t t, std::string_view event) {
    text_ = "{\"t\":" + std::to_string(t);
    add("event", event);
}

void JsonLine::key(std::string_view k) {
    text_ += ',';
    text_ += jsonString(k);
    text_ += ':';
}

JsonLine& JsonLine::add(std::string_view k, long long value) {
    key(k);
    text_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::add(std::string_view k, double value) {
    key(k);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", value);
    text_ += buf;
    return *this;
}

JsonLine& JsonLine::add(std::string_view k, bool value) {
    key(k);
    text_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::add(std::string_view k, std::string_view value) {
    key(k);
    text_ += jsonString(value);
    return *this;
}

JsonLine& JsonLine::add(std::string_view k, const std::vector<long>& values) {
    key(k);
    text_ += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) text_ += ',';
        text_ += std::to_string(values[i]);
    }
    text_ += ']';
    return *this;
}

}  // namespace vt::sim
