// The update worker: one update run on a thread of its own, reaching the
// window only through the operations of its UI channel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

protected:
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

    TUpdateView& view_;
};

}  // namespace quarnel
