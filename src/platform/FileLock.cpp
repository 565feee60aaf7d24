#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>

namespace quarnel {

TFileLock::TFileLock(const std::string& fileName) {
    // The file stays when the lock goes: removing it would let a newcomer
    // lock a fresh file while another process still holds the old one.
    FileHandle handle(::open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (handle && ::flock(handle.Get(), LOCK_EX | LOCK_NB) == 0) handle_ = std::move(handle);
}

}  // namespace quarnel
