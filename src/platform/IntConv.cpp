#include "platform/IntConv.h"

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TryStrToInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return false;

    uint64_t magnitude = 0;
    if (hex) {
        for (; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return false;
            magnitude = magnitude * 16 + static_cast<unsigned>(digit);
            if (magnitude > 0xFFFFFFFFull) return false;  // a ninth significant digit
        }
        const auto pattern = static_cast<uint32_t>(magnitude);
        value = static_cast<int32_t>(negative ? 0u - pattern : pattern);
        return true;
    }

    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        if (magnitude > 2147483648ull) return false;
    }
    if (!negative && magnitude > 2147483647ull) return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

int32_t StrToInt(std::string_view text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

}  // namespace quarnel
