#include "support/WorkerHarness.h"

namespace quarnel::test {

std::exception_ptr WorkerHarness::RunToEnd(std::unique_ptr<GFilesThread> worker) {
    std::exception_ptr escaped;
    worker->OnTerminate = [this, &escaped](TThread& thread) {
        escaped = thread.FatalException();
        loop->Quit();
    };
    TThread::Resume(std::move(worker));
    loop->Run();
    return escaped;
}

std::exception_ptr WorkerHarness::Run(ScriptedWorker::Script script) {
    return RunToEnd(std::make_unique<ScriptedWorker>(loop, view, std::move(script)));
}

}  // namespace quarnel::test
