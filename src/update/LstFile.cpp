#include "update/LstFile.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

constexpr char kEndOfText = '\x1A';
constexpr size_t kChunkSize = 64 * 1024;

// Reads one open file as lines, in chunks. A line ends at LF; every CR in it
// is dropped, so CR LF and LF read alike and a lone CR vanishes. A 0x1A byte
// cuts its line short.
class LineReader {
public:
    LineReader(int fd, const std::string& fileName)
        : fd_(fd), fileName_(fileName), buffer_(std::make_unique_for_overwrite<char[]>(kChunkSize)) {}

    // No line is left, or the next one starts with 0x1A, which ends the text
    // for a search of an opening marker.
    bool AtEndOfText() { return !Available() || buffer_[pos_] == kEndOfText; }

    // The next line, trimmed of bytes up to 0x20 at both ends; false when no
    // line is left.
    bool ReadLine(std::string& line) {
        line.clear();
        if (!Available()) return false;
        bool cut = false;
        for (;;) {
            const char* start = buffer_.get() + pos_;
            const size_t length = end_ - pos_;
            const auto* lf = static_cast<const char*>(std::memchr(start, '\n', length));
            const size_t taken = lf ? static_cast<size_t>(lf - start) : length;
            if (!cut) {
                const auto* mark = static_cast<const char*>(std::memchr(start, kEndOfText, taken));
                cut = mark != nullptr;
                line.append(start, mark ? static_cast<size_t>(mark - start) : taken);
            }
            if (lf) {
                pos_ += taken + 1;
                break;
            }
            pos_ = end_;
            if (!Available()) break;
        }
        std::erase(line, '\r');
        Trim(line);
        return true;
    }

private:
    // True when an unread byte is in the buffer, refilling it when needed.
    bool Available() {
        if (pos_ < end_) return true;
        ssize_t n;
        do {
            n = ::read(fd_, buffer_.get(), kChunkSize);
        } while (n < 0 && errno == EINTR);
        if (n < 0) throw EInOutError("Cannot read file \"" + fileName_ + "\". " + SysErrorMessage(errno));
        pos_ = 0;
        end_ = static_cast<size_t>(n);
        return end_ > 0;
    }

    static void Trim(std::string& line) {
        auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
        size_t last = line.size();
        while (last > 0 && blank(line[last - 1])) --last;
        size_t first = 0;
        while (first < last && blank(line[first])) ++first;
        line.erase(last);
        line.erase(0, first);
    }

    int fd_;
    const std::string& fileName_;
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
};

// "[" + name + "]" or "[/" + name + "]".
std::string Marker(std::string_view opening, std::string_view name) {
    std::string marker;
    marker.reserve(opening.size() + name.size() + 1);
    marker.append(opening).append(name).push_back(']');
    return marker;
}

// Moves lines past the opening marker of the section; false when the text
// ends first.
bool FindOpening(LineReader& lines, std::string_view name, std::string& line) {
    const std::string marker = Marker("[", name);
    while (!lines.AtEndOfText()) {
        lines.ReadLine(line);
        if (line == marker) return true;
    }
    return false;
}

}  // namespace

TListFile::TListFile(std::string fileName) : fileName_(std::move(fileName)) {}

void TListFile::Reopen() {
    file_.reset();
    try {
        file_ = std::make_unique<TFileStream>(fileName_, fmOpenRead | fmShareDenyWrite);
    } catch (const EFOpenError& e) {
        throw EInOutError(e.Message());
    }
}

TStringList TListFile::ReadSection(std::string_view name) {
    Reopen();
    LineReader lines(file_->Handle(), fileName_);
    std::string line;
    TStringList entries;
    if (FindOpening(lines, name, line)) {
        const std::string closing = Marker("[/", name);
        bool closed = false;
        while (!closed && lines.ReadLine(line)) {
            closed = line == closing;
            if (!closed && !line.empty()) entries.Add(line);
        }
        // A block cut off before its closing marker is not trusted as a section.
        if (!closed) entries.Clear();
    }
    if (entries.Count() == 0) entries.Add("FAIL");
    return entries;
}

std::string TListFile::ReadValue(std::string_view section, std::string_view key) {
    Reopen();
    LineReader lines(file_->Handle(), fileName_);
    std::string line;
    if (!FindOpening(lines, section, line)) return {};
    const std::string closing = Marker("[/", section);
    while (lines.ReadLine(line)) {
        if (line.empty()) continue;
        // The closing marker is split like an entry, so a key equal to it
        // finds the marker itself; a line of bars alone has no field to match.
        const TStringList fields = SplitFields(line, "|");
        if (fields.Count() > 0 && fields[fields.Count() - 1] == key) return fields[0];
        if (line == closing) break;
    }
    return {};
}

}  // namespace quarnel
