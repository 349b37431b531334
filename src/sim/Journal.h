// One journal line: a JSON object written field by field, {"t":<ms>,"event":"...",...}.
//
// Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt::sim {

class JsonLine {
  public:
    JsonLine(int64_t t, std::string_view event);

    JsonLine& add(std::string_view key, long long value);
    JsonLine& add(std::string_view key, int value) { return add(key, static_cast<long long>(value)); }
    JsonLine& add(std::string_view key, long value) { return add(key, static_cast<long long>(value)); }
    JsonLine& add(std::string_view key, double value);
    JsonLine& add(std::string_view key, bool value);
    JsonLine& add(std::string_view key, std::string_view value);
    JsonLine& add(std::string_view key, const char* value) { return add(key, std::string_view(value)); }
    JsonLine& add(std::string_view key, const std::vector<long>& values);

    // The finished line, without a line end.
    std::string str() const { return text_ + "}"; }

  private:
    void key(std::string_view k);
    std::string text_;
};

// A JSON string literal of `text`: quotes, backslashes and control bytes escaped; bytes above
// 0x7E are written as \u00XX so that any byte the line carried survives.
std::string jsonString(std::string_view text);

}  // namespace vt::sim
