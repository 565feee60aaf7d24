// The update worker: one update run on a thread of its own, reaching the
// window only through the operations of its UI channel.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/HttpClient.h"
#include "platform/StringList.h"
#include "platform/Stream.h"
#include "platform/Thread.h"
#include "update/UpdateView.h"

namespace quarnel {

class GFilesThread : public TThread {
public:
    // view is touched only through the channel, on the UI thread that
    // mainThread stands for; it must outlive the queue's closing.
    GFilesThread(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view);

    int32_t GaugeValue = 0;
    std::string StatusText;
    std::unique_ptr<TStringList> PendingFiles;
    int32_t BackupEnabled = 0;
    int32_t LocalRevision = 0;
    bool ForceFullCheck = false;
    int32_t GaugeSelector = 0;
    std::string UpdatesUrl;
    std::string SelfEntry;
    std::string BaseDir;
    TStream* SourceStream = nullptr;

    // How long a download may stall before it counts as broken.
    THttpTimeouts HttpTimeouts;
    // The folder of the system's hosts file, with a trailing "/".
    std::string HostsDir = "/etc/";
    // The process the self-update script ends before it replaces the
    // executable: the launcher itself.
    pid_t LauncherPid = ::getpid();
    // How long that script waits between ending the launcher and touching its file.
    std::chrono::seconds ScriptDelay = std::chrono::seconds(2);

protected:
    // One update run: manifest, hosts, self-update, verification, repair
    // and the revision reached.
    void Execute() override;

    // Fetches url into fileName, reporting the bytes received on the file
    // gauge when progress is on. False when the URL cannot be opened; a
    // local file that cannot be written raises EInOutError.
    bool DownloadFile(const std::string& url, const std::string& fileName, bool progress);

    // Unpacks a bzip2 archive into destination and deletes the archive. The
    // destination is replaced only by a complete unpack; raises on failure.
    void UnpackFile(const std::string& archive, const std::string& destination);
    // Copies the decompressed bytes of source into destination, with progress.
    void UnpackStream(TStream& source, TStream& destination);
    // Reports the compressed bytes taken in so far on the file gauge.
    void UnpackProgress(TStream& sender);

    // Queues in PendingFiles every entry of a file section whose local file
    // is missing or differs from its digest.
    void CheckFileList(const TStringList& section);
    // Downloads, backs up and installs every queued entry; leaves the
    // verdict in StatusText.
    void DownloadPending();

    // Merges the manifest's host entries into the system's hosts file.
    void PatchHosts(const TStringList& entries);
    // Replaces the launcher's own executable when the [self] entry differs
    // from it, through a script that restarts the launcher.
    void SelfUpdate(const std::string& entry);

    // The UI channel: each runs on the UI thread while the worker waits.
    void ShowStatus();
    void SetGaugeMax();
    void SetFileProgress();
    void SetTotalProgress();
    void StoreRevision();
    void HideButtons();
    void ShowButtons();

private:
    void SetProgress(TUpdateView::TGaugeIndex index);
    // On the UI thread: brings the view's gauge up to a position kept back,
    // then copies it, so the worker knows what the window shows.
    void SyncGauge(TUpdateView::TGaugeIndex index);

    TUpdateView& view_;
    // The gauges as the window shows them, as far as this worker knows: a
    // progress report that leaves the drawn bar as it is stays here, and
    // reaches the view with the next hand-over of that gauge.
    struct TShownGauge {
        TGaugeModel model;
        bool known = false;
        bool heldBack = false;
    };
    TShownGauge shown_[2];
};

}  // namespace quarnel
