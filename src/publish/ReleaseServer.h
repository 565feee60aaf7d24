// A static HTTP server on the loopback address for trying a release locally.
#pragma once

#include <memory>
#include <string>

namespace quarnel {

class TReleaseServer {
public:
    // Serves the files below releaseDir, except those whose path has a part
    // starting with "." (the build's state file among them). Raises
    // Exception when releaseDir is not a folder.
    explicit TReleaseServer(const std::string& releaseDir);
    ~TReleaseServer();
    TReleaseServer(const TReleaseServer&) = delete;
    TReleaseServer& operator=(const TReleaseServer&) = delete;

    // Binds 127.0.0.1:port, any free port for 0, and returns the port bound;
    // raises Exception when it cannot.
    int Bind(int port);
    // Answers requests until Stop; returns at once unless bound.
    void Run();
    // May be called from any thread, also before Run has started serving.
    void Stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quarnel
