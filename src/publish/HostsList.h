// The host entries of a release, read from a hosts-style text file.
#pragma once

#include <string>
#include <vector>

namespace quarnel {

// The entries "address|host" of the file at fileName, in file order. Each
// line holds an address and one or more host names separated by blanks; "#"
// starts a comment, and blank lines are skipped. A line that names several
// hosts gives one entry for each. Raises Exception naming the file and line
// for a line with an address but no host, or with a byte that a manifest
// entry cannot carry, and EInOutError when the file cannot be read.
std::vector<std::string> ReadHostsList(const std::string& fileName);

}  // namespace quarnel
