// Number texts and arithmetic that the whole program shares.
//
// The logger's terminal always printed numbers the same few ways: the standard number text
// (a leading blank for values that are not negative), two-section Format patterns, and
// text-to-number conversion that takes the leading numeric part. Every list, label and
// picture text goes through these so that columns line up everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// Standard number text: " 12", "-3", " .9", " 1.5", "-.25".
// Whole numbers print all digits; single-precision values print up to 7 significant digits,
// double-precision values up to 15, with no leading zero before the point.
std::string Str(long long v);
inline std::string Str(int v) { return Str(static_cast<long long>(v)); }
inline std::string Str(long v) { return Str(static_cast<long long>(v)); }
inline std::string Str(int16_t v) { return Str(static_cast<long long>(v)); }
std::string Str(float v);
std::string Str(double v);

// Format(value, pattern): "0" is a digit always shown, "#" a digit shown when significant,
// "." the decimal point; other characters are copied. A pattern with ";" has a section for
// zero and positive values and one for negative values, which carries its own sign.
// Rounding is half away from zero on the decimal digits.
std::string Format(double v, std::string_view pattern);

// Text to number: the leading numeric part, blanks ignored, empty or non-numeric gives 0.
// Accepts a sign, digits, one decimal point, an exponent (E or D) and &H / &O prefixes.
double Val(std::string_view text);

// Rounds towards minus infinity (the integer part of a floating value). Inline and without a
// library call: the per-record paths use it several times a record.
inline double Int(double x) {
    if (x > -9.0e18 && x < 9.0e18) {
        double t = static_cast<double>(static_cast<long long>(x));
        return t > x ? t - 1.0 : t;
    }
    return x;  // already whole (or not a number)
}

// Rounds to the nearest whole number, halves to the even neighbour.
double Nearest(double x);

// 16-bit arithmetic: the logger's values are 16-bit and a result outside that range is
// skipped, leaving the target as it was.
constexpr bool fits16(double v) { return v >= -32768.0 && v <= 32767.0 && v == v; }
constexpr bool fits32(double v) { return v >= -2147483648.0 && v <= 2147483647.0 && v == v; }

// Stores v in dst when it fits a signed 16-bit value; returns false (dst unchanged) otherwise.
inline bool store16(int16_t& dst, double v) {
    if (!fits16(v)) return false;
    dst = static_cast<int16_t>(v);
    return true;
}

// Whole-number conversion to a 16-bit value: halves round to even, and the result must fit.
inline bool cint(double v, int16_t& dst) { return store16(dst, Nearest(v)); }

// The last n characters of s (all of s when it is shorter); the first n characters likewise.
std::string Right(std::string_view s, size_t n);
std::string Left(std::string_view s, size_t n);
// Leading and trailing blanks removed.
std::string Trim(std::string_view s);

}  // namespace vt
