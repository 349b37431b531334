#include "platform/NumText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vt {

namespace {

// Digits of |v| rounded to `sig` significant digits: fills digits (no point) and returns the
// decimal exponent of the first digit (value = 0.d1d2d3... x 10^exp).
int significantDigits(double v, int sig, char* digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", sig - 1, std::fabs(v));
    // buf: d.ddddde[+-]xx
    int n = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[n++] = *p;
    digits[n] = '\0';
    int exp10 = std::atoi(p + 1);
    // Drop trailing zeros.
    while (n > 1 && digits[n - 1] == '0') digits[--n] = '\0';
    return exp10 + 1;
}

std::string floatText(double v, int sig) {
    std::string out;
    out.reserve(16);
    out += (v < 0 && v != 0) ? '-' : ' ';
    if (v == 0 || std::isnan(v)) {
        out += '0';
        return out;
    }
    char digits[40];
    int exp = significantDigits(v, sig, digits);
    int n = static_cast<int>(std::strlen(digits));
    if (exp > sig || exp < -(sig - 1)) {
        // Scientific form for very large and very small values: 1.234568E+07, 1E-10.
        out += digits[0];
        if (n > 1) {
            out += '.';
            out.append(digits + 1);
        }
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exp - 1 >= 0 ? '+' : '-', std::abs(exp - 1));
        out += e;
        return out;
    }
    if (exp <= 0) {
        out += '.';
        out.append(static_cast<size_t>(-exp), '0');
        out.append(digits);
    } else if (n <= exp) {
        out.append(digits);
        out.append(static_cast<size_t>(exp - n), '0');
    } else {
        out.append(digits, static_cast<size_t>(exp));
        out += '.';
        out.append(digits + exp);
    }
    return out;
}

// round(mag * 10^frac), half away from zero, as decimal digits. The value is first taken to
// 15 significant digits so that 1.005 rounds as the number typed, not its binary neighbour.
std::string roundedDigits(double mag, int frac) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", mag);
    char digits[16];
    int n = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits[n++] = *p;
    int exp10 = std::atoi(p + 1);
    int keep = exp10 + 1 + frac;  // digits left of the rounding point
    if (mag == 0 || keep < 0) return "0";
    std::string out;
    for (int i = 0; i < keep; ++i) out += i < n ? digits[i] : '0';
    bool up = keep < n && digits[keep] >= '5';
    if (up) {
        int i = static_cast<int>(out.size()) - 1;
        for (; i >= 0 && out[static_cast<size_t>(i)] == '9'; --i) out[static_cast<size_t>(i)] = '0';
        if (i < 0)
            out.insert(0, 1, '1');
        else
            ++out[static_cast<size_t>(i)];
    }
    return out.empty() ? "0" : out;
}

bool isDigitPlaceholder(char c) { return c == '0' || c == '#'; }

// Formats |v| with one section of a pattern (its placeholders, point and literals).
std::string formatSection(double mag, std::string_view sec) {
    // Split the section into: literal prefix, number part (placeholders, point, commas),
    // literal suffix. The program's patterns only put literals around the number.
    size_t first = sec.find_first_of("0#.");
    if (first == std::string_view::npos) return std::string(sec);
    size_t last = first;
    for (size_t i = first; i < sec.size(); ++i)
        if (isDigitPlaceholder(sec[i]) || sec[i] == '.' || sec[i] == ',') last = i;
    std::string_view prefix = sec.substr(0, first);
    std::string_view number = sec.substr(first, last - first + 1);
    std::string_view suffix = sec.substr(last + 1);

    size_t point = number.find('.');
    std::string_view intPattern = number.substr(0, point);
    std::string_view fracPattern = point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);
    int fracDigits = 0, fracZeros = 0;
    for (char c : fracPattern)
        if (isDigitPlaceholder(c)) {
            ++fracDigits;
            if (c == '0') fracZeros = fracDigits;
        }
    int intZeros = 0;
    {
        bool seenZero = false;
        for (char c : intPattern) {
            if (c == '0') seenZero = true;
            if (seenZero && isDigitPlaceholder(c)) ++intZeros;
        }
    }

    std::string intPart = roundedDigits(mag, fracDigits);
    if (static_cast<int>(intPart.size()) <= fracDigits)
        intPart.insert(0, static_cast<size_t>(fracDigits + 1) - intPart.size(), '0');
    std::string fracPart = intPart.substr(intPart.size() - static_cast<size_t>(fracDigits));
    intPart.resize(intPart.size() - static_cast<size_t>(fracDigits));
    // Integer digits: strip leading zeros, then pad to the forced digit count.
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
    if (static_cast<int>(intPart.size()) < intZeros)
        intPart.insert(0, static_cast<size_t>(intZeros) - intPart.size(), '0');
    // Optional fraction digits ("#" after the point) drop their trailing zeros.
    while (static_cast<int>(fracPart.size()) > fracZeros && fracPart.back() == '0') fracPart.pop_back();

    std::string out(prefix);
    out += intPart;
    if (point != std::string_view::npos) {
        out += '.';
        out += fracPart;
    }
    out += suffix;
    return out;
}

}  // namespace

std::string Str(long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, v < 0 ? "%lld" : " %lld", v);
    return buf;
}

std::string Str(float v) { return floatText(static_cast<double>(v), 7); }
std::string Str(double v) { return floatText(v, 15); }

std::string Format(double v, std::string_view pattern) {
    size_t semi = pattern.find(';');
    if (semi == std::string_view::npos) {
        std::string body = formatSection(std::fabs(v), pattern);
        if (v < 0) {
            // A single section gets the minus sign in front of the first digit.
            size_t at = body.find_first_of("0123456789.");
            if (at == std::string::npos) at = 0;
            body.insert(at, 1, '-');
        }
        return body;
    }
    std::string_view pos = pattern.substr(0, semi);
    std::string_view neg = pattern.substr(semi + 1);
    return v < 0 ? formatSection(std::fabs(v), neg) : formatSection(v, pos);
}

double Val(std::string_view text) {
    // Blanks (and tabs, line feeds) are ignored anywhere in the number.
    char buf[128];
    size_t n = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if (n + 1 >= sizeof buf) break;
        buf[n++] = c;
    }
    buf[n] = '\0';
    if (n >= 2 && buf[0] == '&' && (buf[1] == 'H' || buf[1] == 'h' || buf[1] == 'O' || buf[1] == 'o')) {
        int base = (buf[1] == 'H' || buf[1] == 'h') ? 16 : 8;
        long long r = std::strtoll(buf + 2, nullptr, base);
        // &H values of up to four hex digits are 16-bit: &HFFFF is -1.
        if (base == 16 && r >= 0x8000 && r <= 0xFFFF) r -= 0x10000;
        return static_cast<double>(r);
    }
    // Accept D as an exponent letter too.
    for (size_t i = 0; i < n; ++i)
        if (buf[i] == 'd' || buf[i] == 'D') buf[i] = 'E';
    // Only a plain decimal prefix: strtod would also read "inf", "nan" and hex floats.
    size_t i = 0;
    if (buf[i] == '+' || buf[i] == '-') ++i;
    size_t digitsStart = i;
    while (buf[i] >= '0' && buf[i] <= '9') ++i;
    if (buf[i] == '.') {
        ++i;
        while (buf[i] >= '0' && buf[i] <= '9') ++i;
    }
    if (i == digitsStart || (i == digitsStart + 1 && buf[digitsStart] == '.')) return 0.0;
    if (buf[i] == 'e' || buf[i] == 'E') {
        size_t j = i + 1;
        if (buf[j] == '+' || buf[j] == '-') ++j;
        if (buf[j] >= '0' && buf[j] <= '9') {
            while (buf[j] >= '0' && buf[j] <= '9') ++j;
            i = j;
        }
    }
    buf[i] = '\0';
    return std::strtod(buf, nullptr);
}

double Nearest(double x) { return std::nearbyint(x); }  // default rounding mode: halves to even

std::string Right(std::string_view s, size_t n) { return std::string(s.size() <= n ? s : s.substr(s.size() - n)); }
std::string Left(std::string_view s, size_t n) { return std::string(s.substr(0, n)); }

std::string Trim(std::string_view s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return {};
    size_t b = s.find_last_not_of(' ');
    return std::string(s.substr(a, b - a + 1));
}

}  // namespace vt
