// Files and folders as the rest of the program sees them.
#pragma once

#include <string>

namespace quarnel {

// The process's current folder, without a trailing "/".
std::string GetCurrentDir();
// True for an existing file that is not a folder.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The part of path before its last "/", or empty.
std::string ExtractFileDir(const std::string& path);
// Creates the folder with all missing parents; false when it cannot.
bool ForceDirectories(const std::string& path);
// Copies a file's bytes, replacing target if it exists; false when it cannot.
bool CopyFile(const std::string& source, const std::string& target);
// Both false when the system refuses.
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

}  // namespace quarnel
