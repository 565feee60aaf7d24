#include "publish/ReleaseCheck.h"

#include <cerrno>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/Exceptions.h"
#include "platform/FileHandle.h"
#include "platform/IntConv.h"
#include "publish/PathRules.h"
#include "publish/ReleaseBuild.h"
#include "publish/ReleaseSource.h"
#include "support/BZip2.h"
#include "support/md5.h"
#include "update/LstFile.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

constexpr int32_t kPiece = 65536;

struct TListedFile {
    std::string path;
    std::string md5;
    int32_t size = 0;
};

// A file of one's own for the unpacked manifest, removed afterwards.
class TTempFile {
public:
    TTempFile() : name_((std::filesystem::temp_directory_path() / "quarnel-publish-XXXXXX").string()) {
        handle_.Reset(::mkstemp(name_.data()));
        if (!handle_) throw EFCreateError("Cannot create a temporary file. " + SysErrorMessage(errno));
    }
    ~TTempFile() { ::unlink(name_.c_str()); }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    const std::string& Name() const { return name_; }

    void Write(const char* data, size_t count) {
        while (count > 0) {
            const ssize_t n = ::write(handle_.Get(), data, count);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw EWriteError("Cannot write file \"" + name_ + "\". " + SysErrorMessage(errno));
            data += n;
            count -= static_cast<size_t>(n);
        }
    }

private:
    std::string name_;
    FileHandle handle_;
};

// Unpacks source to its end, handing every piece to use; raises what the
// decompression or the source raises, and EBZDecompressionError when the
// data stops before the end of the bzip2 stream.
template <typename Use>
void Unpack(TStream& source, Use use) {
    TBZDecompressionStream stream(source);
    const auto buffer = std::make_unique_for_overwrite<char[]>(kPiece);
    for (int32_t got; (got = stream.Read(buffer.get(), kPiece)) > 0;) use(buffer.get(), got);
    if (!stream.EndReached()) throw EBZDecompressionError("cut short");
}

bool IsLowerHexDigest(const std::string& text) {
    return text.size() == 32 &&
           std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

class TReleaseChecker {
public:
    TReleaseChecker(const std::string& target, unsigned threads)
        : source_(TReleaseSource::For(target)), threads_(threads) {}

    TCheckReport Run() {
        TTempFile manifest;
        if (!FetchManifest(manifest)) return std::move(report_);
        TListFile list(manifest.Name());
        report_.rev = Setting(list, "Rev");
        if (Setting(list, "ModHosts") == 1) CheckHosts(list.ReadSection("hosts"));
        ReadEntries(list.ReadSection("self"), "self", true);
        ReadEntries(list.ReadSection("files_critical"), "files_critical", false);
        ReadEntries(list.ReadSection("files_normal"), "files_normal", false);
        CheckArchives();
        return std::move(report_);
    }

private:
    bool FetchManifest(TTempFile& manifest) {
        std::string why;
        const std::unique_ptr<TStream> stream = source_->Open(kManifestName, why);
        if (!stream) {
            Problem(kManifestName, "cannot be fetched (" + why + ")");
            return false;
        }
        try {
            Unpack(*stream, [&](const char* data, int32_t count) { manifest.Write(data, static_cast<size_t>(count)); });
        } catch (const Exception& e) {
            Problem(kManifestName, "damaged archive (" + e.Message() + ")");
            return false;
        }
        return true;
    }

    // The integer a [settings] key holds, or 0 after reporting why it holds none.
    int32_t Setting(TListFile& list, const char* key) {
        const std::string text = list.ReadValue("settings", key);
        int32_t value = 0;
        if (text.empty()) {
            Problem(std::string("[settings] ") + key, "missing");
        } else if (!TryStrToInt(text, value)) {
            Problem(std::string("[settings] ") + key, "\"" + text + "\" is not an integer");
        }
        return value;
    }

    void CheckHosts(const TStringList& entries) {
        if (entries[0] == "FAIL") return;
        for (const std::string& entry : entries) {
            if (SplitFields(entry, "|").Count() < 2) Problem("[hosts] " + entry, "is not an entry address|host");
        }
    }

    // Queues the entries of a file section whose fields the launcher can
    // use; self takes only the first, which must name a file in the client
    // folder itself.
    void ReadEntries(const TStringList& entries, const std::string& section, bool self) {
        if (entries[0] == "FAIL") return;
        for (const std::string& entry : entries) {
            const TStringList fields = SplitFields(entry, "|");
            if (fields.Count() != 3) {
                Problem("[" + section + "] " + entry, "is not an entry path|md5|size");
            } else if (const std::string& path = fields[kPathField]; !IsSafe(path)) {
                Problem(path, "is a path the launcher refuses");
            } else if (self && path.find('\\') != std::string::npos) {
                Problem(path, "the [self] entry must name a file directly in the client folder");
            } else if (!IsLowerHexDigest(fields[kDigestField])) {
                Problem(path, "digest \"" + fields[kDigestField] + "\" is not 32 lowercase hex digits");
            } else if (int32_t size = 0; !TryStrToInt(fields[kSizeField], size) || size < 0) {
                Problem(path, "size \"" + fields[kSizeField] + "\" is not a byte count");
            } else {
                listed_.push_back({path, fields[kDigestField], size});
            }
            if (self) break;
        }
    }

    static bool IsSafe(const std::string& path) {
        try {
            LocalPath("/", path);
            return true;
        } catch (const EUnsafePath&) {
            return false;
        }
    }

    void CheckArchives() {
        std::vector<std::string> problems(listed_.size());
        std::vector<int64_t> sizes(listed_.size());
        ParallelFor(listed_.size(), threads_, [&](size_t i) { problems[i] = CheckArchive(listed_[i], sizes[i]); });
        for (size_t i = 0; i < listed_.size(); ++i) {
            if (!problems[i].empty()) report_.problems.push_back(problems[i]);
            report_.bytes += sizes[i];
        }
        report_.files = static_cast<int64_t>(listed_.size());
    }

    // Why the archive of file does not unpack to the file listed, or empty.
    std::string CheckArchive(const TListedFile& file, int64_t& size) const {
        std::string why;
        const std::unique_ptr<TStream> stream = source_->Open(ReplaceAll(file.path, "\\", "/") + ".bz2", why);
        const std::string path = PrintablePath(file.path);
        if (!stream) return path + ": missing archive (" + why + ")";
        DigestContext context;
        DigestInit(context);
        try {
            Unpack(*stream, [&](const char* data, int32_t count) {
                DigestUpdate(context, data, static_cast<uint32_t>(count));
                size += count;
            });
        } catch (const Exception& e) {
            return path + ": damaged archive (" + e.Message() + ")";
        }
        Digest digest;
        DigestFinal(context, digest);
        if (size != file.size)
            return path + ": unpacks to " + std::to_string(size) + " bytes, the manifest says " +
                   std::to_string(file.size);
        if (DigestToHex(digest) != file.md5)
            return path + ": unpacks to digest " + DigestToHex(digest) + ", the manifest says " + file.md5;
        return {};
    }

    void Problem(const std::string& what, const std::string& why) {
        report_.problems.push_back(PrintablePath(what) + ": " + why);
    }

    std::unique_ptr<TReleaseSource> source_;
    const unsigned threads_;
    TCheckReport report_;
    std::vector<TListedFile> listed_;
};

}  // namespace

TCheckReport CheckRelease(const std::string& target, unsigned threads) {
    return TReleaseChecker(target, threads).Run();
}

}  // namespace quarnel
