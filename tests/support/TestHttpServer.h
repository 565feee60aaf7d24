// A loopback HTTP server for tests. It listens on 127.0.0.1 on a port the
// system assigns, answers from a background thread and stops when destroyed.
// Besides serving a folder it offers the misbehaviours a download must
// survive: error pages, empty bodies, redirections, bodies cut off mid-way,
// and servers that stall or never answer.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/FileHandle.h"

namespace quarnel {

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path, which starts with "/".
    std::string Url(std::string_view path) const;

    // The files below folder, at mountPoint.
    void ServeFolder(const std::string& folder, const std::string& mountPoint = "/");

    // A handler of one's own for GET requests whose path matches pattern (a
    // regular expression). Handlers are registered before the requests that
    // reach them are made.
    void Get(const std::string& pattern, httplib::Server::Handler handler);

    // A fixed answer: status, body and its content type.
    void Respond(const std::string& pattern, int status, std::string body, std::string contentType = "text/html");
    void Redirect(const std::string& pattern, std::string location, int status = 302);
    // Declares declaredLength bytes of body, sends only sent, then closes the connection.
    void CutOff(const std::string& pattern, std::string sent, size_t declaredLength);
    // Declares declaredLength bytes of body, sends the headers and sent, then
    // keeps the connection open without sending more until the server stops.
    void Stall(const std::string& pattern, std::string sent, size_t declaredLength);
    // Takes the request and sends nothing at all until the server stops.
    void Silent(const std::string& pattern);

private:
    // Blocks a handler until the destructor lets stalled connections go.
    void WaitForStop();

    httplib::Server server_;
    int port_ = -1;
    std::atomic<bool> listenEnded_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable stopCondition_;
    bool stopping_ = false;
};

// A loopback port that is bound but not listening, so connecting to it is
// refused, for as long as the object lives.
class RefusingPort {
public:
    RefusingPort();
    int Port() const { return port_; }

private:
    FileHandle socket_;
    int port_ = -1;
};

}  // namespace quarnel
