#include "publish/ReleaseSource.h"

#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "platform/HttpClient.h"

namespace quarnel {

namespace {

constexpr const char* kUserAgent = "Quarnel Updater";

// The body of one response as a stream that knows how far it has read, as
// the decompression stream asks its source.
class THttpStream : public TStream {
public:
    THttpStream(const THttpSession& session, const std::string& url) : request_(session, url) {}

    THttpRequest& Request() { return request_; }

    int32_t Read(void* buffer, int32_t count) override {
        const int32_t got = request_.Read(buffer, count);
        position_ += got;
        if (got < count && !request_.Complete()) throw EReadError("transfer broke off: " + request_.ErrorText());
        return got;
    }

    int32_t Write(const void*, int32_t) override { throw EWriteError("Stream write error"); }

    int32_t Seek(int32_t offset, uint16_t origin) override { return static_cast<int32_t>(Seek64(offset, origin)); }

    int64_t Seek64(int64_t offset, uint16_t origin) override {
        if (offset != 0 || origin != soCurrent) throw EStreamError("An HTTP body cannot seek");
        return position_;
    }

private:
    THttpRequest request_;
    int64_t position_ = 0;
};

class THttpSource : public TReleaseSource {
public:
    explicit THttpSource(std::string base) : base_(std::move(base)), session_(kUserAgent) {
        if (!base_.ends_with('/')) base_ += '/';
    }

    std::unique_ptr<TStream> Open(const std::string& relative, std::string& why) const override {
        auto stream = std::make_unique<THttpStream>(session_, base_ + EncodeUrlPath(relative));
        THttpRequest& request = stream->Request();
        if (!request.IsOpen()) {
            why = request.ErrorText();
            return nullptr;
        }
        if (request.StatusCode() != 200) {
            why = "HTTP status " + std::to_string(request.StatusCode());
            return nullptr;
        }
        return stream;
    }

private:
    std::string base_;
    THttpSession session_;
};

class TFolderSource : public TReleaseSource {
public:
    explicit TFolderSource(std::string dir) : dir_(std::move(dir)) {
        if (!dir_.ends_with('/')) dir_ += '/';
    }

    std::unique_ptr<TStream> Open(const std::string& relative, std::string& why) const override {
        try {
            return std::make_unique<TFileStream>(dir_ + relative, fmOpenRead | fmShareDenyNone);
        } catch (const EFOpenError& e) {
            why = e.Message();
            return nullptr;
        }
    }

private:
    std::string dir_;
};

}  // namespace

std::unique_ptr<TReleaseSource> TReleaseSource::For(const std::string& target) {
    if (target.starts_with("http://") || target.starts_with("https://")) return std::make_unique<THttpSource>(target);
    return std::make_unique<TFolderSource>(target);
}

}  // namespace quarnel
