// The window's side of the hand-over from workers: each posted request
// becomes a call queued to the window's thread, run one at a time in the
// order posted. Closing it cancels every waiting request and every later
// one, so no worker touches a closed window.
#pragma once

#include <deque>
#include <mutex>

#include <wx/event.h>

#include "platform/MainThread.h"

namespace quarnel {

class TWindowQueue : public TMainThreadQueue {
public:
    // target runs the queued calls; it must live until Close.
    explicit TWindowQueue(wxEvtHandler& target) : target_(&target) {}
    ~TWindowQueue() override;

    void Post(TSyncRequest& request) override;
    // UI thread, before the target goes.
    void Close();

private:
    void RunNext();

    std::mutex mutex_;
    std::deque<TSyncRequest*> pending_;
    // Null once closed.
    wxEvtHandler* target_;
};

}  // namespace quarnel
