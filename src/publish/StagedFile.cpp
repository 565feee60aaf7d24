#include "publish/StagedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "platform/Exceptions.h"
#include "platform/FileSys.h"

namespace quarnel {

TStagedFile::TStagedFile(std::string target) : target_(std::move(target)), temp_(target_ + std::string(kSuffix)) {
    ForceDirectories(ExtractFileDir(target_));
    handle_.Reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!handle_) throw EFCreateError("Cannot create file \"" + temp_ + "\". " + SysErrorMessage(errno));
    pending_ = true;
}

TStagedFile::TStagedFile(TStagedFile&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      handle_(std::move(other.handle_)),
      pending_(std::exchange(other.pending_, false)) {}

TStagedFile::~TStagedFile() {
    handle_.Reset();
    if (pending_) ::unlink(temp_.c_str());
}

void TStagedFile::Write(const void* data, size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(handle_.Get(), bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw EWriteError("Cannot write file \"" + temp_ + "\". " + SysErrorMessage(n < 0 ? errno : ENOSPC));
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

void TStagedFile::Close(bool durable) {
    if (durable && ::fsync(handle_.Get()) != 0)
        throw EInOutError("Cannot flush file \"" + temp_ + "\". " + SysErrorMessage(errno));
    if (!handle_.Reset()) throw EInOutError("Cannot close file \"" + temp_ + "\". " + SysErrorMessage(errno));
}

void TStagedFile::Commit() {
    if (!RenameFile(temp_, target_))
        throw EInOutError("Cannot rename \"" + temp_ + "\" to \"" + target_ + "\". " + SysErrorMessage(errno));
    pending_ = false;
}

}  // namespace quarnel
