// A small HTTP client: one GET per request, its body pulled by the caller in
// pieces. Requests go through the system's proxy settings (the proxy
// environment variables), follow redirections and deliver the body of every
// response, whatever its status.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarnel {

// How long a request may wait before it counts as failed. A transfer that
// moves fewer than lowSpeedLimit bytes per second for lowSpeedTime breaks off,
// so a server that stalls cannot hold the caller forever.
struct THttpTimeouts {
    std::chrono::milliseconds connect = std::chrono::seconds(30);
    std::chrono::seconds lowSpeedTime = std::chrono::seconds(30);
    long lowSpeedLimit = 1;
};

// What every request made through it shares: the user agent and the timeouts.
class THttpSession {
public:
    explicit THttpSession(std::string userAgent, THttpTimeouts timeouts = {});

    const std::string& UserAgent() const { return userAgent_; }
    const THttpTimeouts& Timeouts() const { return timeouts_; }

private:
    std::string userAgent_;
    THttpTimeouts timeouts_;
};

// One GET of one URL. The constructor sends the request and waits until the
// response's body starts or the transfer ends; the request is open when a
// response arrived at all (any status). Connection refused, a name that does
// not resolve, a malformed URL, or a timeout before any response leave it
// closed.
class THttpRequest {
public:
    THttpRequest(const THttpSession& session, const std::string& url);
    ~THttpRequest();
    THttpRequest(const THttpRequest&) = delete;
    THttpRequest& operator=(const THttpRequest&) = delete;

    bool IsOpen() const;

    // Copies the next body bytes into buffer: count of them unless the body
    // ends first. 0 means the body is over, whether it ended cleanly or the
    // transfer broke; Complete tells the two apart.
    int32_t Read(void* buffer, int32_t count);

    // True when the transfer has ended and the body arrived in full; false
    // while it runs and after a broken connection, a stall or any error.
    bool Complete() const;

    // The last response's status, 0 when there was none.
    long StatusCode() const;

    // Why the request could not be opened or its transfer broke; empty otherwise.
    std::string ErrorText() const;

private:
    class Transfer;
    std::unique_ptr<Transfer> transfer_;
};

// A file's relative path made fit to follow a base URL: every byte that
// cannot stand in a URL path is percent-encoded (blanks, control characters,
// bytes from 0x80 up, "%", "#", "?" and the rest outside a path's set), as
// here they are parts of file names. "/" stays a separator.
std::string EncodeUrlPath(std::string_view path);

}  // namespace quarnel
