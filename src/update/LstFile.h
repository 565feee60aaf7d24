// Reader of the update manifest: a text of sections, each a block of lines
// between "[name]" and "[/name]", whose entries are "|"-separated fields.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/FileStream.h"
#include "platform/StringList.h"

namespace quarnel {

class TListFile {
public:
    // Binds the reader to fileName; the file is first opened by a read.
    explicit TListFile(std::string fileName);
    TListFile(const TListFile&) = delete;
    TListFile& operator=(const TListFile&) = delete;

    // The non-blank lines of the first block of the section, trimmed, in file
    // order; the single entry "FAIL" when that block is absent, holds only
    // blank lines or never closes.
    TStringList ReadSection(std::string_view name);

    // The last field of the first entry in the section's first block whose
    // first field is key; empty when there is none.
    std::string ReadValue(std::string_view section, std::string_view key);

private:
    // Closes the file held and opens it again from its start, so that a file
    // replaced since the last read is seen; raises EInOutError.
    void Reopen();

    std::string fileName_;
    // Held from the first read until destruction, read-only, others may read.
    std::unique_ptr<TFileStream> file_;
};

}  // namespace quarnel
