#include "platform/FileRewrite.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

// False, with errno set, when not every byte could be written.
bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Deletes a file made beside the old one unless it has taken its place.
class TTemporaryName {
public:
    explicit TTemporaryName(std::string name) : name_(std::move(name)) {}
    ~TTemporaryName() {
        if (!name_.empty()) ::unlink(name_.c_str());
    }
    TTemporaryName(const TTemporaryName&) = delete;
    TTemporaryName& operator=(const TTemporaryName&) = delete;

    void Release() { name_.clear(); }

private:
    std::string name_;
};

}  // namespace

TFileRewrite::TFileRewrite(const std::string& fileName, TRenameFunction rename)
    : fileName_(fileName), rename_(rename), file_(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC)) {
    if (!file_) Fail("open", errno);
}

void TFileRewrite::Commit(std::string_view content) {
    if (!ReplaceByRename(content)) WriteInPlace(content);
}

bool TFileRewrite::ReplaceByRename(std::string_view content) {
    struct stat old {};
    if (::fstat(file_.Get(), &old) != 0 || !S_ISREG(old.st_mode)) return false;
    // The new file goes beside the real one, so that a link to it stays a link.
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(fileName_.c_str(), nullptr), &std::free);
    if (!real) return false;
    std::string temporary = std::string(real.get()) + ".new-XXXXXX";
    FileHandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file) return false;
    TTemporaryName made(temporary);

    struct stat fresh {};
    if (::fstat(file.Get(), &fresh) != 0) return false;
    if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
        ::fchown(file.Get(), old.st_uid, old.st_gid) != 0)
        return false;
    if (::fchmod(file.Get(), old.st_mode & 07777) != 0) return false;

    if (!WriteAll(file.Get(), content) || ::fsync(file.Get()) != 0) Fail("write", errno);
    if (!file.Reset()) Fail("write", errno);
    if (rename_(temporary.c_str(), real.get()) != 0) return false;
    made.Release();
    return true;
}

void TFileRewrite::WriteInPlace(std::string_view content) {
    if (::ftruncate(file_.Get(), 0) != 0 || ::lseek(file_.Get(), 0, SEEK_SET) != 0 || !WriteAll(file_.Get(), content))
        Fail("write", errno);
    if (!file_.Reset()) Fail("write", errno);
}

void TFileRewrite::Fail(const char* what, int error) const {
    throw EInOutError("Cannot " + std::string(what) + " file \"" + fileName_ + "\". " + SysErrorMessage(error));
}

}  // namespace quarnel
