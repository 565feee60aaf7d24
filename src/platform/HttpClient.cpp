#include "platform/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <mutex>
#include <string_view>
#include <utility>

namespace quarnel {

namespace {

constexpr long kMaxRedirections = 20;
// Upper bound of one wait for socket activity; curl shortens it to its own timers.
constexpr int kPollMilliseconds = 1000;

// curl's global state lives as long as the process: no cleanup, since another
// thread may still be using it when this code is done.
CURLcode GlobalInit() {
    static std::once_flag once;
    static CURLcode result = CURLE_FAILED_INIT;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return result;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

}  // namespace

THttpSession::THttpSession(std::string userAgent, THttpTimeouts timeouts)
    : userAgent_(std::move(userAgent)), timeouts_(timeouts) {}

// curl pushes the body into OnBody; the caller pulls it out through Read. The
// transfer is driven only while Read wants more than is buffered, and curl is
// paused once a read's worth is held, so the buffer stays about one network
// chunk in size.
class THttpRequest::Transfer {
public:
    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer() {
        if (attached_) curl_multi_remove_handle(multi_.get(), easy_.get());
    }

    void Open(const THttpSession& session, const std::string& url);
    size_t Read(char* buffer, size_t count);

    bool IsOpen() const { return open_; }
    bool Complete() const { return done_ && result_ == CURLE_OK; }
    long StatusCode() const;
    std::string ErrorText() const;

private:
    bool Setup(const THttpSession& session, const std::string& url);
    size_t Available() const { return body_.size() - taken_; }
    void Fill(size_t want);
    void Step();
    void Collect();
    void Break(CURLcode result, const char* text);

    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);

    std::unique_ptr<CURLM, MultiDeleter> multi_;
    std::unique_ptr<CURL, EasyDeleter> easy_;
    bool attached_ = false;
    std::array<char, CURL_ERROR_SIZE> errorBuffer_{};

    std::string body_;
    size_t taken_ = 0;
    size_t want_ = 0;
    bool paused_ = false;

    // Set at the end of a final response's headers, with the redirection
    // count then; a later redirection that fails leaves the count behind.
    bool headersEnded_ = false;
    long redirectsAtHeaders_ = 0;

    bool open_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    std::string failure_;
};

bool THttpRequest::Transfer::Setup(const THttpSession& session, const std::string& url) {
    if (const CURLcode init = GlobalInit(); init != CURLE_OK) {
        Break(init, nullptr);
        return false;
    }
    multi_.reset(curl_multi_init());
    easy_.reset(curl_easy_init());
    if (!multi_ || !easy_) {
        Break(CURLE_OUT_OF_MEMORY, nullptr);
        return false;
    }
    CURL* easy = easy_.get();
    const THttpTimeouts& timeouts = session.Timeouts();
    CURLcode rc = curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_.data());
    auto set = [&](CURLoption option, auto value) {
        if (rc == CURLE_OK) rc = curl_easy_setopt(easy, option, value);
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_USERAGENT, session.UserAgent().c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, kMaxRedirections);
    set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    set(CURLOPT_LOW_SPEED_LIMIT, timeouts.lowSpeedLimit);
    set(CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts.lowSpeedTime.count()));
    // The worker thread must not get the SIGALRM of curl's name-lookup timeout.
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_WRITEFUNCTION, &OnBody);
    set(CURLOPT_WRITEDATA, static_cast<void*>(this));
    set(CURLOPT_HEADERFUNCTION, &OnHeader);
    set(CURLOPT_HEADERDATA, static_cast<void*>(this));
    if (rc != CURLE_OK) {
        Break(rc, nullptr);
        return false;
    }
    if (const CURLMcode added = curl_multi_add_handle(multi_.get(), easy); added != CURLM_OK) {
        Break(CURLE_FAILED_INIT, curl_multi_strerror(added));
        return false;
    }
    attached_ = true;
    return true;
}

void THttpRequest::Transfer::Open(const THttpSession& session, const std::string& url) {
    if (!Setup(session, url)) return;
    Fill(1);
    if (Available() > 0 || (done_ && result_ == CURLE_OK)) {
        open_ = true;
        return;
    }
    // Ended before any body: open only if a final response's headers came.
    long redirects = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_REDIRECT_COUNT, &redirects);
    open_ = headersEnded_ && redirects == redirectsAtHeaders_ && result_ != CURLE_TOO_MANY_REDIRECTS;
}

size_t THttpRequest::Transfer::Read(char* buffer, size_t count) {
    if (!open_) return 0;
    Fill(count);
    const size_t n = std::min(count, Available());
    std::memcpy(buffer, body_.data() + taken_, n);
    taken_ += n;
    return n;
}

void THttpRequest::Transfer::Fill(size_t want) {
    want_ = want;
    while (Available() < want_ && !done_) Step();
}

void THttpRequest::Transfer::Step() {
    if (paused_) {
        paused_ = false;
        // Delivers what curl held back since the pause, through OnBody.
        if (const CURLcode rc = curl_easy_pause(easy_.get(), CURLPAUSE_CONT); rc != CURLE_OK) {
            Break(rc, nullptr);
            return;
        }
    }
    int running = 0;
    if (const CURLMcode rc = curl_multi_perform(multi_.get(), &running); rc != CURLM_OK) {
        Break(CURLE_RECV_ERROR, curl_multi_strerror(rc));
        return;
    }
    Collect();
    if (done_ || paused_ || Available() >= want_) return;
    if (const CURLMcode rc = curl_multi_poll(multi_.get(), nullptr, 0, kPollMilliseconds, nullptr); rc != CURLM_OK)
        Break(CURLE_RECV_ERROR, curl_multi_strerror(rc));
}

void THttpRequest::Transfer::Collect() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
            done_ = true;
            result_ = message->data.result;
        }
    }
}

void THttpRequest::Transfer::Break(CURLcode result, const char* text) {
    done_ = true;
    result_ = result;
    if (text != nullptr) failure_ = text;
}

long THttpRequest::Transfer::StatusCode() const {
    long status = 0;
    if (easy_) curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::string THttpRequest::Transfer::ErrorText() const {
    if (!done_ || result_ == CURLE_OK) return {};
    if (!failure_.empty()) return failure_;
    if (errorBuffer_[0] != '\0') return errorBuffer_.data();
    return curl_easy_strerror(result_);
}

size_t THttpRequest::Transfer::OnBody(char* data, size_t size, size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    const size_t bytes = size * count;
    if (transfer.Available() >= transfer.want_) {
        transfer.paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    try {
        transfer.body_.erase(0, transfer.taken_);
        transfer.taken_ = 0;
        transfer.body_.append(data, bytes);
    } catch (const std::exception&) {
        return 0;  // curl ends the transfer with a write error
    }
    return bytes;
}

size_t THttpRequest::Transfer::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto& transfer = *static_cast<Transfer*>(self);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        transfer.headersEnded_ = false;
    } else if (line == "\r\n" || line == "\n") {
        // Interim (1xx) responses are followed by the real one.
        long status = 0;
        curl_easy_getinfo(transfer.easy_.get(), CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(transfer.easy_.get(), CURLINFO_REDIRECT_COUNT, &transfer.redirectsAtHeaders_);
        transfer.headersEnded_ = status >= 200;
    }
    return line.size();
}

THttpRequest::THttpRequest(const THttpSession& session, const std::string& url)
    : transfer_(std::make_unique<Transfer>()) {
    transfer_->Open(session, url);
}

THttpRequest::~THttpRequest() = default;

bool THttpRequest::IsOpen() const { return transfer_->IsOpen(); }

int32_t THttpRequest::Read(void* buffer, int32_t count) {
    if (count <= 0) return 0;
    return static_cast<int32_t>(transfer_->Read(static_cast<char*>(buffer), static_cast<size_t>(count)));
}

bool THttpRequest::Complete() const { return transfer_->Complete(); }

long THttpRequest::StatusCode() const { return transfer_->StatusCode(); }

std::string THttpRequest::ErrorText() const { return transfer_->ErrorText(); }

std::string EncodeUrlPath(std::string_view path) {
    // RFC 3986 pchar and "/": unreserved, sub-delims, ":" and "@".
    auto keeps = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               std::string_view("-._~!$&'()*+,;=:@/").find(static_cast<char>(c)) != std::string_view::npos;
    };
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const unsigned char c : path) {
        if (keeps(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

}  // namespace quarnel
