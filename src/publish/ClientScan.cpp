#include "publish/ClientScan.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "publish/PathRules.h"

namespace quarnel {

namespace fs = std::filesystem;

namespace {

// The manifest's size field goes through a signed 32-bit conversion.
constexpr int64_t kMaxFileSize = INT32_MAX;

// Characters that the self-update script can use unquoted, and that a URL
// carries as they are.
bool IsPlainName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               std::string_view("._-+~").find(c) != std::string_view::npos;
    });
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

class TClientWalk {
public:
    TClientWalk(const TScanOptions& options, TScanResult& result) : options_(options), result_(result) {}

    void Walk(const fs::path& dir, const std::string& prefix) {
        std::error_code error;
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) Visit(*it, prefix);
        if (error) {
            const std::string name = prefix.empty() ? dir.string() : prefix.substr(0, prefix.size() - 1);
            Problem(name, "cannot be read: " + error.message());
        }
    }

private:
    void Visit(const fs::directory_entry& entry, const std::string& prefix) {
        const std::string relative = prefix + entry.path().filename().string();
        if (MatchesAny(options_.exclude, relative)) return;
        std::error_code error;
        const bool link = entry.is_symlink(error);
        const fs::file_status status = entry.status(error);
        if (error) {
            Problem(relative, link ? "is a broken symbolic link" : "cannot be read: " + error.message());
        } else if (fs::is_directory(status)) {
            if (SameFolder(entry.path(), options_.releaseDir)) return;
            if (link) {
                Problem(relative, "is a symbolic link to a folder, which is not followed; exclude it or copy the folder");
                return;
            }
            Walk(entry.path(), relative + "/");
        } else if (fs::is_regular_file(status)) {
            AddFile(relative, entry);
        } else {
            Problem(relative, "is not a regular file");
        }
    }

    void AddFile(const std::string& relative, const fs::directory_entry& entry) {
        if (const std::string why = PathProblem(relative); !why.empty()) {
            Problem(relative, why);
            return;
        }
        std::error_code error;
        const auto size = static_cast<int64_t>(entry.file_size(error));
        if (error) {
            Problem(relative, "cannot be read: " + error.message());
            return;
        }
        if (size > kMaxFileSize) {
            Problem(relative, "is " + std::to_string(size) + " bytes; the launcher takes sizes below 2 GiB only");
            return;
        }
        TClientFile file{relative, ManifestPathOf(relative), entry.path().string(), size, TClientFile::Normal};
        if (relative == options_.selfName) {
            file.role = TClientFile::Self;
        } else if (MatchesAny(options_.critical, relative)) {
            file.role = TClientFile::Critical;
        }
        result_.files.push_back(std::move(file));
    }

    void Problem(const std::string& path, const std::string& why) {
        result_.problems.push_back(PrintablePath(path) + ": " + why);
    }

    const TScanOptions& options_;
    TScanResult& result_;
};

// The release folder must not hold the client folder, or be it: its
// archives would turn up as client files on the next build.
bool ReleaseHoldsClient(const TScanOptions& options) {
    std::error_code error;
    for (fs::path dir = fs::canonical(options.clientDir, error); !error; dir = dir.parent_path()) {
        if (SameFolder(dir, options.releaseDir)) return true;
        if (dir == dir.root_path()) break;
    }
    return false;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// Windows keeps one file for names that differ only in letter case, so the
// launcher would overwrite one with the other on every run.
void FindCaseClashes(TScanResult& result) {
    std::map<std::string, const TClientFile*> seen;
    for (const TClientFile& file : result.files) {
        const auto [it, added] = seen.emplace(LowerAscii(file.manifestPath), &file);
        if (!added) {
            result.problems.push_back(PrintablePath(file.relative) + ": differs only in letter case from " +
                                      PrintablePath(it->second->relative) + ", which Windows takes for the same file");
        }
    }
}

}  // namespace

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& path) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return ::fnmatch(pattern.c_str(), path.c_str(), 0) == 0; });
}

TScanResult ScanClient(const TScanOptions& options) {
    TScanResult result;
    if (!fs::is_directory(options.clientDir)) {
        result.problems.push_back(options.clientDir + ": is not a folder");
        return result;
    }
    if (ReleaseHoldsClient(options)) {
        result.problems.push_back(options.releaseDir + ": the release folder must not be the client folder or hold it");
        return result;
    }
    const std::string& self = options.selfName;
    if (!self.empty() && !IsPlainName(self)) {
        result.problems.push_back("--self " + PrintablePath(self) +
                                  ": must name a file directly in the client folder, with letters, digits and "
                                  "\"._-+~\" only, as the self-update script uses the name unquoted");
        return result;
    }

    TClientWalk(options, result).Walk(options.clientDir, "");
    std::sort(result.files.begin(), result.files.end(),
              [](const TClientFile& a, const TClientFile& b) { return a.manifestPath < b.manifestPath; });
    FindCaseClashes(result);

    if (!self.empty() && std::none_of(result.files.begin(), result.files.end(),
                                      [](const TClientFile& file) { return file.role == TClientFile::Self; })) {
        result.problems.push_back("--self " + self + ": " +
                                  (MatchesAny(options.exclude, self) ? "is excluded by an --exclude pattern"
                                                                     : "no such file in the client folder"));
    }
    return result;
}

}  // namespace quarnel
