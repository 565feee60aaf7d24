// A release made by a test: a server folder with every file as PATH.bz2 and
// the manifest files.lst.bz2 describing them.
#pragma once

#include <map>
#include <string>

#include "support/TempDir.h"

namespace quarnel::test {

struct ReleaseFixture {
    TempDir folder;
    int rev = 1;
    // Empty: no ModHosts entry at all.
    std::string modHosts = "0";
    // path (with "/" between folders) -> content
    std::map<std::string, std::string> critical, normal;
    // Sections written as they stand, after the file sections.
    std::string extra;

    // Writes the archives and the manifest; the manifest's text is returned.
    std::string Publish() const;
};

}  // namespace quarnel::test
