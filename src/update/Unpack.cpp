// The worker's unpacking of a downloaded archive into its destination.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>

#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "platform/FileSys.h"
#include "support/BZip2.h"
#include "update/GetFilesThr.h"

namespace quarnel {

namespace {

constexpr int32_t kUnpackPiece = 65536;

// A name beside target that no other unpack, here or in another process, uses.
std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".unpack-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// A replaced file keeps its permissions. A new one is executable when it is
// a program (an ELF image or a script), as the manifest carries no modes and
// a game's programs must start.
mode_t ModeFor(const std::string& destination, int content) {
    struct stat old {};
    if (::stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
    // The new file was made with the usual mode less the umask; a program
    // also gets execute wherever it may be read.
    struct stat made {};
    ::fstat(content, &made);
    const mode_t mode = made.st_mode & 07777;
    char magic[4] = {};
    const ssize_t got = ::pread(content, magic, sizeof magic, 0);
    const bool program = (got >= 2 && magic[0] == '#' && magic[1] == '!') ||
                         (got == 4 && magic[0] == 0x7f && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F');
    return program ? mode | ((mode & 0444) >> 2) : mode;
}

// Closes and deletes the archive however the unpack ends.
class TArchive {
public:
    explicit TArchive(const std::string& fileName)
        : fileName_(fileName), stream_(std::in_place, fileName, fmOpenRead | fmShareDenyWrite) {}
    ~TArchive() {
        stream_.reset();
        DeleteFile(fileName_);
    }
    TArchive(const TArchive&) = delete;
    TArchive& operator=(const TArchive&) = delete;

    TFileStream& Stream() { return *stream_; }

private:
    std::string fileName_;
    std::optional<TFileStream> stream_;
};

}  // namespace

void GFilesThread::UnpackFile(const std::string& archive, const std::string& destination) {
    TArchive source(archive);
    // The new content goes to a file of its own and takes the destination's
    // place only once it is whole, so a failed unpack leaves the old file as it was.
    const std::string temporary = TemporaryName(destination);
    std::optional<TFileStream> target;
    try {
        target.emplace(temporary, fmCreate);
    } catch (const EFCreateError&) {
        throw EFCreateError("Cannot create file \"" + destination + "\". " + SysErrorMessage(errno));
    }
    try {
        UnpackStream(source.Stream(), *target);
        ::fchmod(target->Handle(), ModeFor(destination, target->Handle()));
        target.reset();
        if (!RenameFile(temporary, destination))
            throw EFCreateError("Cannot create file \"" + destination + "\". " + SysErrorMessage(errno));
    } catch (...) {
        target.reset();
        DeleteFile(temporary);
        throw;
    }
}

void GFilesThread::UnpackStream(TStream& source, TStream& destination) {
    SourceStream = &source;
    GaugeValue = static_cast<int32_t>(std::min<int64_t>(source.Size(), INT32_MAX));
    GaugeSelector = 0;
    SetGaugeMax();

    std::optional<TBZDecompressionStream> unpacker(std::in_place, source);
    const auto finish = [&] {
        unpacker.reset();
        SourceStream = nullptr;
        GaugeValue = 0;
        SetFileProgress();
    };
    try {
        unpacker->ProgressEvent = [this](TStream& sender) { UnpackProgress(sender); };
        char piece[kUnpackPiece];
        for (int32_t count; (count = unpacker->Read(piece, kUnpackPiece)) != 0;) destination.WriteBuffer(piece, count);
        // A source that ends before the end-of-stream mark is a broken
        // download or a cut archive, never a whole file.
        if (!unpacker->EndReached()) throw EBZDecompressionError("error " + std::to_string(BZ_UNEXPECTED_EOF));
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void GFilesThread::UnpackProgress(TStream&) {
    GaugeValue = static_cast<int32_t>(SourceStream->Position());
    SetFileProgress();
}

}  // namespace quarnel
