#include "update/Misc.h"

namespace quarnel {

// Text is cut as bytes. Here 8-bit text is UTF-8, where no byte of a
// multi-byte character equals an ASCII separator, so a round trip through a
// wide string would find the same positions and give back the same pieces.
TStringList SplitFields(std::string_view text, std::string_view separators) {
    auto isSeparator = [separators](char c) { return c != '\0' && separators.find(c) != std::string_view::npos; };
    TStringList fields;
    size_t end = text.size();
    for (size_t i = end; i > 0; --i) {
        if (!isSeparator(text[i - 1])) continue;
        if (i < end) fields.Add(std::string(text.substr(i, end - i)));
        end = i - 1;
    }
    if (end > 0) fields.Add(std::string(text.substr(0, end)));
    return fields;
}

}  // namespace quarnel
