// Text-to-number conversions: hand-checked syntax, then std::from_chars, which never looks at
// the C or C++ locale.
#include "dxf/convert.h"

#include <charconv>
#include <string>
#include <system_error>

namespace vermiq {
namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[noreturn]] void ThrowNotA(std::string_view text, const char* what) {
    std::string message;
    message.reserve(text.size() + 40);
    message += '\'';
    message += text;
    message += "' ";
    message += what;
    throw ConversionError(message);
}

} // namespace

bool TryStrToInt(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && text[i + 1] == 'x') {
        base = 16;
        i += 2;
    }
    if (i == n) return false;
    // The magnitude may reach 2^31 for a negative value only.
    const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = base == 10 ? (IsDigit(text[i]) ? text[i] - '0' : -1) : HexDigitValue(text[i]);
        if (digit < 0) return false;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit) return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

bool TryStrToFloat(std::string_view text, double& value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && text[end - 1] == ' ') --end;

    std::size_t i = begin;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t mantissa = i;
    const char* first = text.data() + mantissa;
    const char* last = text.data() + end;

    // What DXF writers write reads in one go: from_chars accepts, from a digit or period on,
    // only texts that the full check below accepts too.
    if (i < end && (IsDigit(text[i]) || text[i] == '.')) {
        double parsed = 0.0;
        const std::from_chars_result r = std::from_chars(first, last, parsed, std::chars_format::general);
        if (r.ec == std::errc() && r.ptr == last) {
            value = negative ? -parsed : parsed;
            return true;
        }
    }

    // Decimal exponent of the first significant digit, to tell an overflow from an underflow
    // when from_chars reports the value out of range.
    long magnitude = 0;
    bool significant = false;
    std::size_t intDigits = 0;
    for (; i < end && IsDigit(text[i]); ++i, ++intDigits) {
        if (significant) {
            ++magnitude;
        } else if (text[i] != '0') {
            significant = true;
            magnitude = 1;
        }
    }
    bool point = false;
    std::size_t fracDigits = 0;
    if (i < end && text[i] == '.') {
        point = true;
        for (++i; i < end && IsDigit(text[i]); ++i, ++fracDigits) {
            if (!significant) {
                if (text[i] != '0') significant = true;
                else --magnitude;
            }
        }
    }
    if (intDigits == 0 && !point) return false;
    long exponent = 0;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        const std::size_t digitsStart = i;
        for (; i < end && IsDigit(text[i]); ++i)
            if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
        if (i == digitsStart) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != end) return false;

    // A lone separator counts as a number: zero.
    if (intDigits + fracDigits == 0) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    double parsed = 0.0;
    const std::from_chars_result r = std::from_chars(first, last, parsed, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        if (significant && magnitude + exponent > 0) return false;
        parsed = 0.0;
    } else if (r.ec != std::errc() || r.ptr != last) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) ThrowNotA(text, "は整数ではありません");
    return value;
}

double StrToFloat(std::string_view text) {
    double value = 0.0;
    if (!TryStrToFloat(text, value)) ThrowNotA(text, "は浮動小数点数ではありません");
    return value;
}

} // namespace vermiq
