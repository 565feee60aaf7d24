// Runs a worker to its end against a RecordingView, with the test's own
// thread serving as the UI thread.
#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "platform/EventLoop.h"
#include "support/RecordingView.h"
#include "update/GetFilesThr.h"

namespace quarnel::test {

// Above any process id the kernel hands out (2^22 at most), so a swap script
// that a test starts ends no process, least of all the test's own.
inline constexpr pid_t kNoProcess = 0x7fffffff;

// A worker whose run is whatever the test hands it; it can reach the
// channel's protected operations.
class ScriptedWorker : public GFilesThread {
public:
    using Script = std::function<void(ScriptedWorker&)>;
    ScriptedWorker(std::shared_ptr<TMainThreadQueue> mainThread, TUpdateView& view, Script script)
        : GFilesThread(std::move(mainThread), view), script_(std::move(script)) {
        LauncherPid = kNoProcess;
    }

    using GFilesThread::CheckFileList;
    using GFilesThread::DownloadFile;
    using GFilesThread::DownloadPending;
    using GFilesThread::HideButtons;
    using GFilesThread::PatchHosts;
    using GFilesThread::SelfUpdate;
    using GFilesThread::SetFileProgress;
    using GFilesThread::SetGaugeMax;
    using GFilesThread::SetTotalProgress;
    using GFilesThread::ShowButtons;
    using GFilesThread::ShowStatus;
    using GFilesThread::UnpackFile;
    using GFilesThread::StoreRevision;

protected:
    void Execute() override { script_(*this); }

private:
    Script script_;
};

struct WorkerHarness {
    std::shared_ptr<TEventLoop> loop = std::make_shared<TEventLoop>();
    RecordingView view;

    // Starts the worker and serves the UI thread until it has ended;
    // returns what escaped its run.
    std::exception_ptr RunToEnd(std::unique_ptr<GFilesThread> worker);
    std::exception_ptr Run(ScriptedWorker::Script script);
};

}  // namespace quarnel::test
