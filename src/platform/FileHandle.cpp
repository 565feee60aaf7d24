#include "platform/FileHandle.h"

#include <unistd.h>

namespace quarnel {

bool FileHandle::Reset(int fd) {
    bool closed = true;
    if (fd_ >= 0) closed = ::close(fd_) == 0;
    fd_ = fd;
    return closed;
}

}  // namespace quarnel
