#include "support/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <mutex>
#include <stdexcept>

namespace quarnel {

namespace {

// A proxy configured on the developer's machine must not carry loopback requests.
void BypassProxyForLoopback() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char* name : {"no_proxy", "NO_PROXY"}) {
            const char* current = std::getenv(name);
            std::string value = current != nullptr && *current != '\0' ? std::string(current) + "," : std::string();
            ::setenv(name, (value + "127.0.0.1").c_str(), 1);
        }
    });
}

}  // namespace

TestHttpServer::TestHttpServer() {
    BypassProxyForLoopback();
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ < 0) throw std::runtime_error("test server: cannot bind to 127.0.0.1");
    thread_ = std::thread([this] {
        server_.listen_after_bind();
        listenEnded_ = true;
    });
    // stop() only reaches a server that has entered its accept loop.
    while (!server_.is_running() && !listenEnded_) std::this_thread::yield();
}

TestHttpServer::~TestHttpServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopCondition_.notify_all();
    server_.stop();
    thread_.join();
}

std::string TestHttpServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void TestHttpServer::ServeFolder(const std::string& folder, const std::string& mountPoint) {
    if (!server_.set_mount_point(mountPoint, folder))
        throw std::runtime_error("test server: cannot serve folder " + folder);
}

void TestHttpServer::Get(const std::string& pattern, httplib::Server::Handler handler) {
    server_.Get(pattern, std::move(handler));
}

void TestHttpServer::Respond(const std::string& pattern, int status, std::string body, std::string contentType) {
    Get(pattern, [status, body = std::move(body), contentType = std::move(contentType)](const httplib::Request&,
                                                                                        httplib::Response& res) {
        res.status = status;
        res.set_content(body, contentType.c_str());
    });
}

void TestHttpServer::Redirect(const std::string& pattern, std::string location, int status) {
    Get(pattern, [location = std::move(location), status](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(location, status);
    });
}

void TestHttpServer::CutOff(const std::string& pattern, std::string sent, size_t declaredLength) {
    Get(pattern, [sent = std::move(sent), declaredLength](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(declaredLength, "application/octet-stream",
                                 [sent](size_t, size_t, httplib::DataSink& sink) {
                                     sink.write(sent.data(), sent.size());
                                     return false;  // the server drops the connection
                                 });
    });
}

void TestHttpServer::Stall(const std::string& pattern, std::string sent, size_t declaredLength) {
    Get(pattern, [this, sent = std::move(sent), declaredLength](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(declaredLength, "application/octet-stream",
                                 [this, sent](size_t, size_t, httplib::DataSink& sink) {
                                     sink.write(sent.data(), sent.size());
                                     WaitForStop();
                                     return false;
                                 });
    });
}

void TestHttpServer::Silent(const std::string& pattern) {
    Get(pattern, [this](const httplib::Request&, httplib::Response&) { WaitForStop(); });
}

void TestHttpServer::WaitForStop() {
    std::unique_lock lock(mutex_);
    stopCondition_.wait(lock, [this] { return stopping_; });
}

RefusingPort::RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!socket_ || ::bind(socket_.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("test port: cannot bind to 127.0.0.1");
    port_ = ntohs(address.sin_port);
}

}  // namespace quarnel
