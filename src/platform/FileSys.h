// Files and folders as the rest of the program sees them.
#pragma once

#include <string>

namespace quarnel {

// The process's current folder, without a trailing "/".
std::string GetCurrentDir();
// True for an existing file that is not a folder.
bool FileExists(const std::string& path);

}  // namespace quarnel
