// The worker's verification of the client's files against a file section.
#include "platform/FileSys.h"
#include "platform/IntConv.h"
#include "update/DigestAhead.h"
#include "update/GetFilesThr.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

// Fields of a file entry as SplitFields delivers them: last field first.
enum { kSizeField = 0, kDigestField = 1, kPathField = 2 };

// The local files whose digests verification will ask for, so they can be
// digested ahead; entries that are malformed or absent get none.
std::vector<std::string> FilesToDigest(const TStringList& section, const std::string& baseDir) {
    std::vector<std::string> files(static_cast<size_t>(section.Count()));
    for (int i = 0; i < section.Count(); ++i) {
        const TStringList fields = SplitFields(section[i], "|");
        if (fields.Count() <= kPathField) continue;
        try {
            std::string local = LocalPath(baseDir, fields[kPathField]);
            if (FileExists(local)) files[static_cast<size_t>(i)] = std::move(local);
        } catch (const EUnsafePath&) {
            // Refused where the walk reaches it.
        }
    }
    return files;
}

}  // namespace

void GFilesThread::CheckFileList(const TStringList& section) {
    if (section.Count() == 0 || section[0] == "FAIL" || Terminated()) return;
    StatusText = "Проверка файлов";
    ShowStatus();
    GaugeSelector = 1;
    GaugeValue = section.Count() - 1;
    SetGaugeMax();

    TDigestAhead digests(FilesToDigest(section, BaseDir));
    for (int i = 0; i < section.Count(); ++i) {
        GaugeValue = i;
        SetTotalProgress();
        const TStringList fields = SplitFields(section[i], "|");
        const std::string& path = fields[kPathField];
        const std::string local = LocalPath(BaseDir, path);
        StatusText = "Проверка " + path;
        ShowStatus();
        if (!FileExists(local) || digests.Take(static_cast<size_t>(i)) != fields[kDigestField]) {
            PendingFiles->Add(section[i]);
            StrToInt(fields[kSizeField]);
        }
    }
    GaugeValue = 0;
    SetTotalProgress();
    StatusText = "";
    ShowStatus();
}

}  // namespace quarnel
