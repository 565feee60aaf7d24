#include "publish/ReleaseServer.h"

#include <httplib.h>

#include <atomic>
#include <thread>

#include "platform/Exceptions.h"

namespace quarnel {

class TReleaseServer::Impl {
public:
    httplib::Server server;
    std::atomic<bool> stopped{false};
    std::atomic<bool> running{false};
    std::atomic<bool> ended{false};
};

TReleaseServer::TReleaseServer(const std::string& releaseDir) : impl_(std::make_unique<Impl>()) {
    httplib::Server& server = impl_->server;
    if (!server.set_mount_point("/", releaseDir)) throw Exception(releaseDir + ": is not a folder");
    server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        if (request.path.find("/.") == std::string::npos) return httplib::Server::HandlerResponse::Unhandled;
        response.status = 404;
        return httplib::Server::HandlerResponse::Handled;
    });
}

TReleaseServer::~TReleaseServer() = default;

int TReleaseServer::Bind(int port) {
    httplib::Server& server = impl_->server;
    const bool bound = port == 0 ? (port = server.bind_to_any_port("127.0.0.1")) > 0
                                 : server.bind_to_port("127.0.0.1", port);
    if (!bound) throw Exception("Cannot listen on 127.0.0.1:" + std::to_string(port));
    return port;
}

// The server's stop reaches only an accept loop that has started, so Stop
// waits for Run to get there, or to give up because Stop came first.
void TReleaseServer::Run() {
    impl_->running = true;
    if (!impl_->stopped) impl_->server.listen_after_bind();
    impl_->ended = true;
}

void TReleaseServer::Stop() {
    impl_->stopped = true;
    if (!impl_->running) return;
    while (!impl_->server.is_running() && !impl_->ended) std::this_thread::yield();
    impl_->server.stop();
}

}  // namespace quarnel
