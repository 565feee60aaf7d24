// Text to integer conversion shared by the settings, the manifest and the run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarnel {

// Leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X". Hexadecimal is a 32-bit pattern
// of at most eight significant digits ("$FFFFFFFF" is -1); decimal must fit
// a signed 32-bit integer. Nothing may follow the digits.
// Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view text);

// Same rules; false instead of an exception.
bool TryStrToInt(std::string_view text, int32_t& value);

std::string IntToStr(int64_t value);

}  // namespace quarnel
