// The worker's verification of the client's files against a file section,
// and the repair of those that differ.
#include "platform/FileSys.h"
#include "platform/HttpClient.h"
#include "platform/IntConv.h"
#include "update/DigestAhead.h"
#include "update/GetFilesThr.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

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

void GFilesThread::DownloadPending() {
    if (PendingFiles->Count() == 0) {
        StatusText = "";
        return;
    }
    bool failed = false;
    GaugeValue = PendingFiles->Count() - 1;
    GaugeSelector = 1;
    SetGaugeMax();

    for (int i = 0; i < PendingFiles->Count() && !Terminated();) {
        const TStringList fields = SplitFields((*PendingFiles)[i], "|");
        const std::string& path = fields[kPathField];
        const std::string local = LocalPath(BaseDir, path);
        const std::string backup = LocalPath(BaseDir + "backup/", path);
        StatusText = "Загрузка " + path;
        ShowStatus();
        GaugeSelector = 0;
        GaugeValue = StrToInt(fields[kSizeField]);
        SetGaugeMax();
        ForceDirectories(ExtractFileDir(local));

        const std::string archive = local + ".bz2";
        const std::string url = UpdatesUrl + EncodeUrlPath(ReplaceAll(path, "\\", "/") + ".bz2");
        if (!DownloadFile(url, archive, true)) {
            StatusText = "Ошибка обновления";
            failed = true;
            break;
        }
        try {
            if (BackupEnabled == 1) {
                ForceDirectories(ExtractFileDir(backup));
                CopyFile(local, backup);
            }
            StatusText = "Извлечение " + path;
            ShowStatus();
            UnpackFile(archive, local);
        } catch (const std::exception&) {
            StatusText = "Update Failed";
            failed = true;
        }
        ++i;
        GaugeValue = i;
        SetTotalProgress();
    }
    GaugeValue = 0;
    SetTotalProgress();
    if (!failed) StatusText = "Все файлы были обновлены";
}

}  // namespace quarnel
