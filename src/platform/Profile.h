// Reading and writing single keys of an INI profile file.
//
// Section and key names match without regard to ASCII case, and blanks
// (spaces, tabs) around names, keys and values do not count. Only the first
// section of a name is searched, and its first line with the key wins. Lines
// whose first non-blank character is ";" are comments. LF and CR LF line ends
// are both read.
#pragma once

#include <string>

namespace quarnel {

// The value of key in section, or defaultValue when the file, the section or
// the key is missing. A key with nothing after its "=" yields the empty text.
// One pair of matching quotes (' or ") around the value is dropped, and at
// most the first 2047 bytes of the value are returned.
std::string GetProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             const std::string& fileName);

// Sets key in section to value. Only the key's own line is rewritten, keeping
// its line end; a missing key is added after the last non-blank line of its
// section, a missing section at the end of the file, a missing file is
// created. Every other byte stays as it was; added lines end with CR LF.
// fileName is the file's full path. Raises EIniFileError
// "Unable to write to %s" when the file cannot be read back or written.
void WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName);

}  // namespace quarnel
