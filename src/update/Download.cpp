// The worker's downloads: one URL into one local file, with progress.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileHandle.h"
#include "update/GetFilesThr.h"

namespace quarnel {

namespace {

constexpr int32_t kDownloadPiece = 1024;
constexpr const char* kUserAgent = "Quarnel Updater";

// The body comes 1024 bytes at a time; a system call per piece would cost
// more than the copy, so pieces gather here and reach the file in large
// writes. The file's content is the same.
class TBodyFile {
public:
    explicit TBodyFile(const std::string& fileName) : fileName_(fileName) {
        handle_.Reset(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!handle_) Fail("create");
        buffer_.reserve(kBufferSize);
    }

    void Append(const char* data, size_t count) {
        if (buffer_.size() + count > kBufferSize) Flush();
        buffer_.insert(buffer_.end(), data, data + count);
    }

    void Close() {
        Flush();
        if (!handle_.Reset()) Fail("close");
    }

private:
    static constexpr size_t kBufferSize = 256 * 1024;

    void Flush() {
        size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(handle_.Get(), buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Fail("write");
            done += static_cast<size_t>(n);
        }
        buffer_.clear();
    }

    [[noreturn]] void Fail(const char* what) const {
        throw EInOutError("Cannot " + std::string(what) + " file \"" + fileName_ + "\". " + SysErrorMessage(errno));
    }

    std::string fileName_;
    FileHandle handle_;
    std::vector<char> buffer_;
};

}  // namespace

bool GFilesThread::DownloadFile(const std::string& url, const std::string& fileName, bool progress) {
    bool result = false;
    GaugeValue = 0;
    const THttpSession session(kUserAgent, HttpTimeouts);
    {
        THttpRequest request(session, url);
        if (request.IsOpen()) {
            // No download cache is kept here, so there is no cached copy of the URL to drop.
            TBodyFile file(fileName);
            char piece[kDownloadPiece];
            for (;;) {
                const int32_t count = request.Read(piece, kDownloadPiece);
                file.Append(piece, static_cast<size_t>(count));
                if (progress) {
                    // A body past 2 GiB holds the gauge full instead of wrapping.
                    GaugeValue = static_cast<int32_t>(std::min<int64_t>(int64_t{GaugeValue} + count, INT32_MAX));
                    SetFileProgress();
                }
                if (count == 0) break;
            }
            file.Close();
            result = true;
        }
    }
    GaugeValue = 0;
    SetFileProgress();
    return result;
}

}  // namespace quarnel
