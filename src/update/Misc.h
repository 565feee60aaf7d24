// Small string, file and process helpers shared by the update engine.
#pragma once

#include <string_view>

#include "platform/StringList.h"

namespace quarnel {

// Cuts text at every character of separators and returns the non-empty
// pieces last first: "A|B|C" gives C, B, A and "A||C" gives C, A.
// A NUL character is never a separator, even when separators holds one.
TStringList SplitFields(std::string_view text, std::string_view separators);

}  // namespace quarnel
