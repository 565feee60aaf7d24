// The worker's replacement of the launcher's own executable.
#include "platform/HttpClient.h"
#include "platform/IntConv.h"
#include "support/md5.h"
#include "update/GetFilesThr.h"
#include "update/Misc.h"

namespace quarnel {

void GFilesThread::SelfUpdate(const std::string& entry) {
    if (entry.empty()) return;
    const TStringList fields = SplitFields(entry, "|");
    const std::string& path = fields[kPathField];
    const std::string executable = LocalPath(BaseDir, path);
    if (DigestToHex(DigestFile(executable)) == fields[kDigestField]) return;
    StrToInt(fields[kSizeField]);

    const std::string archive = executable + ".bz2";
    if (!DownloadFile(UpdatesUrl + EncodeUrlPath(ReplaceAll(path, "\\", "/") + ".bz2"), archive, true)) return;
    try {
        UnpackFile(archive, executable + ".New");
        WriteUpdateScript(BaseDir, executable.substr(BaseDir.size()), LauncherPid, ScriptDelay);
        RunProgram(BaseDir + kUpdateScript);
    } catch (const std::exception&) {
        // The executable stays: here the system would let a running
        // program's file be deleted, and the player keep no launcher.
        StatusText = "Update Failed";
    }
}

}  // namespace quarnel
