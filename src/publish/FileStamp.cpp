#include "publish/FileStamp.h"

#include <cerrno>
#include <sys/stat.h>
#include <time.h>

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

constexpr int64_t kNsPerSecond = 1000000000;
// Coarser than any clock tick of the file systems a release is built on.
constexpr int64_t kClockTickNs = 2 * kNsPerSecond;

int64_t Nanoseconds(const struct timespec& time) {
    return int64_t{time.tv_sec} * kNsPerSecond + time.tv_nsec;
}

TFileStamp StampOf(const struct stat& info) {
    return {info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim), info.st_ino};
}

}  // namespace

TFileStamp StampOfHandle(int fd, const std::string& fileName) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw EInOutError("Cannot read the status of \"" + fileName + "\". " + SysErrorMessage(errno));
    return StampOf(info);
}

TFileStamp StampOfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    return StampOf(info);
}

bool ChangedJustNow(const TFileStamp& stamp) {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now) - stamp.ctimeNs < kClockTickNs;
}

}  // namespace quarnel
