// The update run: what one worker does from start to end.
#include "platform/FileLock.h"
#include "platform/FileSys.h"
#include "platform/IntConv.h"
#include "update/GetFilesThr.h"
#include "update/LstFile.h"
#include "update/Misc.h"

#include <sys/stat.h>

namespace quarnel {

namespace {

constexpr const char* kFailed = "Ошибка обновления";
constexpr const char* kManifest = "files.lst";
// Two runs in one client folder would share the manifest, its archive and
// the backup folder; the second one to come gives way.
constexpr const char* kRunLock = "update.lock";

}  // namespace

void GFilesThread::Execute() {
    BaseDir = GetCurrentDir() + "/";
    const TFileLock lock(BaseDir + kRunLock);
    if (!lock.Held()) {
        StatusText = kFailed;
        ShowStatus();
        ShowButtons();
        return;
    }

    const std::string manifest = BaseDir + kManifest;
    std::unique_ptr<TListFile> list;
    // An error no step handles ends the run as a failed one, never silently
    // with the buttons gone: the manifest is closed and removed, and no
    // revision is stored.
    try {
        HideButtons();
        StatusText = "Загрузка списка обновлений";
        ShowStatus();

        bool fetched = false;
        if (!UpdatesUrl.empty()) {
            if (UpdatesUrl.back() != '/') UpdatesUrl += '/';
            fetched = DownloadFile(UpdatesUrl + kManifest + ".bz2", manifest + ".bz2", true);
        }
        if (!fetched) {
            StatusText = kFailed;
            DeleteFile(manifest);
        } else {
            StatusText = "";
            ShowStatus();
            try {
                UnpackFile(manifest + ".bz2", manifest);
            } catch (const std::exception&) {
                StatusText = kFailed;
                ShowStatus();
                DeleteFile(manifest);
            }
        }

        if (FileExists(manifest)) {
            PendingFiles = std::make_unique<TStringList>();
            list = std::make_unique<TListFile>(manifest);
            const int32_t revision = StrToInt(list->ReadValue("settings", "Rev"));
            if (StrToInt(list->ReadValue("settings", "ModHosts")) == 1) PatchHosts(list->ReadSection("hosts"));
            SelfEntry = list->ReadSection("self")[0];
            if (SelfEntry != "FAIL") SelfUpdate(SelfEntry);
            CheckFileList(list->ReadSection("files_critical"));
            if (ForceFullCheck || LocalRevision < revision) {
                if (BackupEnabled == 1) {
                    DeleteDirectory(BaseDir + "backup");
                    if (::mkdir((BaseDir + "backup").c_str(), 0755) != 0)
                        throw EInOutError("Cannot create folder \"" + BaseDir + "backup\". " + SysErrorMessage(errno));
                }
                CheckFileList(list->ReadSection("files_normal"));
            }
            DownloadPending();
            list.reset();
            PendingFiles.reset();
            DeleteFile(manifest);
            if (LocalRevision < revision) {
                LocalRevision = revision;
                StoreRevision();
            }
        }
    } catch (const std::exception&) {
        list.reset();
        PendingFiles.reset();
        DeleteFile(manifest);
        StatusText = kFailed;
    }
    ShowStatus();
    ShowButtons();
}

}  // namespace quarnel
