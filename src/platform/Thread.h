// A worker thread that is created suspended, started once, owns itself while
// it runs and destroys itself when its Execute has ended.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "platform/MainThread.h"

namespace quarnel {

class TThread {
public:
    explicit TThread(std::shared_ptr<TMainThreadQueue> mainThread);
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread() = default;

    // Starts a thread created suspended. The thread takes ownership and
    // destroys the object once Execute and OnTerminate have run.
    static void Resume(std::unique_ptr<TThread> thread);

    // Runs on the UI thread after Execute, while FatalException can still be seen.
    std::function<void(TThread&)> OnTerminate;

    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // What escaped Execute, if anything; it goes with the object.
    std::exception_ptr FatalException() const { return fatalException_; }

protected:
    virtual void Execute() = 0;

    // Runs method on the UI thread and waits for it; what it raises is
    // raised here. EUiClosed when the UI has closed: method never runs.
    void Synchronize(const std::function<void()>& method);

private:
    void Run();

    std::shared_ptr<TMainThreadQueue> mainThread_;
    std::exception_ptr fatalException_;
    std::atomic<bool> terminated_{false};
};

}  // namespace quarnel
