#include "platform/FileStream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

int LockFor(uint16_t mode) {
    if (mode == fmCreate || (mode & 0xF0) == fmShareExclusive) return LOCK_EX;
    if ((mode & 0xF0) == fmShareDenyWrite) return LOCK_SH;
    return 0;
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : fileName_(fileName) {
    const bool create = mode == fmCreate || (mode & 0xFF00) == fmCreate;
    int flags = O_CLOEXEC;
    if (create) {
        flags |= O_RDWR | O_CREAT;
    } else {
        switch (mode & 0x03) {
            case fmOpenWrite: flags |= O_WRONLY; break;
            case fmOpenReadWrite: flags |= O_RDWR; break;
            default: flags |= O_RDONLY; break;
        }
    }
    handle_.Reset(::open(fileName.c_str(), flags, 0644));
    auto fail = [&](int error) {
        const std::string message = "Cannot " + std::string(create ? "create" : "open") + " file \"" + fileName +
                                    "\". " + SysErrorMessage(error);
        if (create) throw EFCreateError(message);
        throw EFOpenError(message);
    };
    if (!handle_) fail(errno);

    const int lock = LockFor(create ? uint16_t{fmCreate} : mode);
    if (lock != 0 && ::flock(handle_.Get(), lock | LOCK_NB) != 0) fail(errno == EWOULDBLOCK ? EBUSY : errno);
    if (create && ::ftruncate(handle_.Get(), 0) != 0) fail(errno);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    auto* out = static_cast<char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(handle_.Get(), out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EReadError("Stream read error");
        if (n == 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    const auto* in = static_cast<const char*>(buffer);
    int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(handle_.Get(), in + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek64(int64_t offset, uint16_t origin) {
    const int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
    const off_t position = ::lseek(handle_.Get(), offset, whence);
    return position < 0 ? -1 : position;
}

int32_t TFileStream::Seek(int32_t offset, uint16_t origin) {
    return static_cast<int32_t>(Seek64(offset, origin));
}

void TFileStream::SetSize(int64_t newSize) {
    if (::ftruncate(handle_.Get(), newSize) != 0) throw EStreamError("Stream size error: " + SysErrorMessage(errno));
    if (Position() > newSize) Seek64(newSize, soBeginning);
}

}  // namespace quarnel
