// Small string, file and process helpers shared by the update engine.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/StringList.h"

namespace quarnel {

// Cuts text at every character of separators and returns the non-empty
// pieces last first: "A|B|C" gives C, B, A and "A||C" gives C, A.
// A NUL character is never a separator, even when separators holds one.
TStringList SplitFields(std::string_view text, std::string_view separators);

// The fields of a file entry ("path|md5|size") as SplitFields delivers them.
enum TFileEntryField { kSizeField = 0, kDigestField = 1, kPathField = 2 };

// Replaces every occurrence of pattern, left to right and without overlap;
// an empty pattern is never found.
std::string ReplaceAll(std::string_view source, std::string_view pattern, std::string_view replacement);

// The 1-based position of the leftmost occurrence of pattern in text that
// begins at or after position start (a start below 1 counts as 1), or 0 when
// there is none. Bytes compare exactly; an empty pattern is never found.
size_t PosFrom(size_t start, std::string_view text, std::string_view pattern);

// Deletes the folder with everything in it, if it is a folder; symbolic
// links inside are removed, never followed. Failures are ignored.
void DeleteDirectory(const std::string& path);

// A manifest path that would leave the client folder.
class EUnsafePath : public Exception {
public:
    explicit EUnsafePath(const std::string& path) : Exception("Unsafe path in the manifest: " + path) {}
};

// The local file a manifest path names inside baseDir (which ends in "/"):
// its "\" separators become "/". Raises EUnsafePath for a path that is
// absolute, starts with a drive letter, or has an empty, "." or ".."
// component ("/" counts as a separator too).
std::string LocalPath(const std::string& baseDir, std::string_view manifestPath);

// The swap script's file name, inside the client folder.
inline constexpr const char* kUpdateScript = "Update.sh";

// Writes the shell script folder + "Update.sh" (folder ends in "/"), which
// ends the launcher process launcherPid, waits delay, and, when
// folder + name + ".New" exists now, puts that file in the place of
// folder + name and deletes files.lst; then it starts name again and deletes
// itself. name is relative to folder, and the script expects folder to be its
// current folder (RunProgram sees to that). Raises EInOutError when the file
// cannot be written, and EInvalidOperation for a launcherPid that would make
// kill reach a whole process group.
void WriteUpdateScript(const std::string& folder, const std::string& name, pid_t launcherPid,
                       std::chrono::seconds delay = std::chrono::seconds(2));

// Makes the folder part of path (up to its last "/") the process's current
// folder, then starts path, a full path, in a session of its own and returns
// at once; a ".sh" file runs through /bin/sh, and a Windows program (one
// that starts with "MZ") through wine when PATH has it. The program keeps
// only the standard streams of this process and is not its child, so
// nothing is left to wait for. A folder that cannot be made current raises EInOutError and
// nothing starts; a program that cannot be executed goes unnoticed.
void RunProgram(const std::string& path);

}  // namespace quarnel
