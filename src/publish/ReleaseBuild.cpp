#include "publish/ReleaseBuild.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>

#include "platform/FileHandle.h"
#include "platform/FileSys.h"
#include "publish/BuildState.h"
#include "publish/ClientScan.h"
#include "publish/Compressor.h"
#include "publish/HostsList.h"
#include "publish/ManifestText.h"
#include "publish/ProgressBar.h"
#include "publish/StagedFile.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

// What one client file comes to: its state, and a new archive waiting to be
// put in place when its content is not the one the release holds.
struct TFileOutcome {
    TStateEntry state;
    std::optional<TStagedFile> archive;
};

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

class TReleaseBuilder {
public:
    TReleaseBuilder(const TBuildOptions& options, unsigned threads)
        : options_(options), release_(WithoutTrailingSlashes(options.releaseDir)), threads_(threads) {}

    TBuildSummary Run() {
        const auto start = std::chrono::steady_clock::now();
        Prepare();
        Lock();
        SweepDebris();
        previous_ = ReadBuildState(release_ + "/" + kStateFileName);
        ProcessFiles();
        TBuildSummary summary = Publish();
        summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return summary;
    }

private:
    // Everything that can refuse the build is looked at before anything is written.
    void Prepare() {
        TScanResult scan = ScanClient({options_.clientDir, release_, options_.critical, options_.exclude,
                                       options_.selfName});
        if (!options_.hostsFile.empty()) {
            try {
                hosts_ = ReadHostsList(options_.hostsFile);
            } catch (const Exception& e) {
                scan.problems.push_back(e.Message());
            }
        }
        if (!scan.problems.empty()) throw EBuildRefused(std::move(scan.problems));
        files_ = std::move(scan.files);
    }

    // One build at a time per release folder.
    void Lock() {
        if (!ForceDirectories(release_)) throw EInOutError("Cannot create folder \"" + release_ + "\".");
        releaseHandle_.Reset(::open(release_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!releaseHandle_) throw EInOutError("Cannot open folder \"" + release_ + "\". " + SysErrorMessage(errno));
        if (::flock(releaseHandle_.Get(), LOCK_EX | LOCK_NB) != 0)
            throw EInOutError("Another build is writing \"" + release_ + "\".");
    }

    // Temporary files that a killed build left behind.
    void SweepDebris() {
        namespace fs = std::filesystem;
        std::error_code error;
        for (fs::recursive_directory_iterator it(release_, error), end; !error && it != end; it.increment(error)) {
            std::error_code ignored;
            if (it->path().native().ends_with(TStagedFile::kSuffix) && it->is_regular_file(ignored))
                DeleteFile(it->path().native());
        }
    }

    void ProcessFiles() {
        outcomes_.resize(files_.size());
        int64_t bytes = 0;
        for (const TClientFile& file : files_) bytes += file.size;
        // The largest first, so that no core is left with one big file at the end.
        std::vector<size_t> order(files_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [this](size_t a, size_t b) { return files_[a].size > files_[b].size; });
        TProgressBar progress(static_cast<int64_t>(files_.size()), bytes);
        ParallelFor(order.size(), threads_, [&](size_t i) {
            Process(files_[order[i]], outcomes_[order[i]], progress);
            progress.AddFiles(1);
        });
    }

    void Process(const TClientFile& file, TFileOutcome& outcome, TProgressBar& progress) {
        const FileHandle handle(::open(file.fullPath.c_str(), O_RDONLY | O_CLOEXEC));
        if (!handle) throw EFOpenError("Cannot open file \"" + file.fullPath + "\". " + SysErrorMessage(errno));
        const TFileStamp before = StampOfHandle(handle.Get(), file.fullPath);
        if (before.size > INT32_MAX) throw EInOutError("\"" + file.fullPath + "\" has grown to 2 GiB or more.");

        const std::string archive = ArchiveOf(file.manifestPath);
        const auto previous = previous_.find(file.manifestPath);
        const bool archiveKept = previous != previous_.end() && previous->second.archive.IsSet() &&
                                 StampOfPath(archive) == previous->second.archive;
        if (archiveKept && previous->second.source.IsSet() && previous->second.source == before) {
            outcome.state = previous->second;
            progress.AddBytes(before.size);
            return;
        }
        if (archiveKept) {
            const TContent content = DigestHandle(handle.Get(), file.fullPath);
            if (DigestToHex(content.digest) == previous->second.md5 && content.size == previous->second.size) {
                outcome.state = previous->second;
                outcome.state.source = Voucher(handle.Get(), before, file.fullPath);
                progress.AddBytes(before.size);
                return;
            }
            if (::lseek(handle.Get(), 0, SEEK_SET) != 0)
                throw EInOutError("Cannot rewind file \"" + file.fullPath + "\". " + SysErrorMessage(errno));
        }
        outcome.archive.emplace(archive);
        const TContent content = CompressHandle(handle.Get(), file.fullPath, *outcome.archive,
                                                [&](int64_t count) { progress.AddBytes(count); });
        outcome.archive->Close();
        outcome.state = {DigestToHex(content.digest), content.size, Voucher(handle.Get(), before, file.fullPath), {}};
    }

    // The stamp taken before the file was read, once it is known that the
    // read saw one unchanged file; empty when it cannot vouch for the content.
    static TFileStamp Voucher(int fd, const TFileStamp& before, const std::string& fileName) {
        if (StampOfHandle(fd, fileName) != before)
            throw EInOutError("\"" + fileName + "\" changed while it was being read; build again once it is complete.");
        return ChangedJustNow(before) ? TFileStamp{} : before;
    }

    TBuildSummary Publish() {
        TBuildSummary summary;
        for (TFileOutcome& outcome : outcomes_) {
            if (!outcome.archive) continue;
            outcome.archive->Commit();
            ++summary.compressed;
        }
        // The archives reach the disk before a manifest that lists them can.
        if (summary.compressed > 0 && ::syncfs(releaseHandle_.Get()) != 0)
            throw EInOutError("Cannot flush \"" + release_ + "\". " + SysErrorMessage(errno));

        TManifest manifest;
        manifest.rev = options_.rev;
        manifest.modHosts = !options_.hostsFile.empty();
        manifest.hosts = hosts_;
        TBuildState state;
        for (size_t i = 0; i < files_.size(); ++i) {
            const TClientFile& file = files_[i];
            TStateEntry& entry = outcomes_[i].state;
            if (outcomes_[i].archive) entry.archive = StampOfPath(ArchiveOf(file.manifestPath));
            const TFileEntry listed{file.manifestPath, entry.md5, entry.size};
            switch (file.role) {
                case TClientFile::Self: manifest.self = listed; break;
                case TClientFile::Critical: manifest.critical.push_back(listed); break;
                case TClientFile::Normal: manifest.normal.push_back(listed); break;
            }
            summary.bytesIn += entry.size;
            summary.bytesOut += entry.archive.size;
            state[file.manifestPath] = entry;
        }
        summary.files = static_cast<int64_t>(files_.size());

        TStagedFile text(release_ + "/" + kManifestName);
        CompressText(FormatManifest(manifest), text);
        text.Close(true);
        text.Commit();
        // The release is published once the rename is done; a folder that
        // cannot be flushed only leaves the rename to the system's own pace.
        ::fsync(releaseHandle_.Get());

        summary.removed = RemoveGone(state);
        WriteBuildState(release_ + "/" + kStateFileName, state);
        return summary;
    }

    // Removes the archives of the files the last build listed and this one
    // does not, and the folders that leaves empty.
    int64_t RemoveGone(const TBuildState& listed) {
        int64_t removed = 0;
        for (const auto& [path, entry] : previous_) {
            if (listed.contains(path)) continue;
            std::string archive;
            try {
                archive = ArchiveOf(path);
            } catch (const EUnsafePath&) {
                continue;  // not a path this tool wrote
            }
            if (!DeleteFile(archive)) continue;
            ++removed;
            for (std::string dir = ExtractFileDir(archive); dir.size() > release_.size(); dir = ExtractFileDir(dir)) {
                if (::rmdir(dir.c_str()) != 0) break;
            }
        }
        return removed;
    }

    std::string ArchiveOf(const std::string& manifestPath) const {
        return LocalPath(release_ + "/", manifestPath) + ".bz2";
    }

    const TBuildOptions& options_;
    const std::string release_;
    const unsigned threads_;
    std::vector<TClientFile> files_;
    std::vector<std::string> hosts_;
    FileHandle releaseHandle_;
    TBuildState previous_;
    std::vector<TFileOutcome> outcomes_;
};

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

EBuildRefused::EBuildRefused(std::vector<std::string> problems)
    : Exception(JoinLines(problems)), problems_(std::move(problems)) {}

TBuildSummary BuildRelease(const TBuildOptions& options, unsigned threads) {
    return TReleaseBuilder(options, threads).Run();
}

}  // namespace quarnel
