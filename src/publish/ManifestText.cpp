#include "publish/ManifestText.h"

namespace quarnel {

namespace {

class TSectionWriter {
public:
    explicit TSectionWriter(std::string& text) : text_(text) {}

    void Open(const char* name) { Line(std::string("[") + name + "]"); }
    void Close(const char* name) { Line(std::string("[/") + name + "]"); }
    void Line(const std::string& line) { text_.append(line).append("\r\n"); }
    void File(const TFileEntry& entry) { Line(entry.path + "|" + entry.md5 + "|" + std::to_string(entry.size)); }

private:
    std::string& text_;
};

}  // namespace

std::string FormatManifest(const TManifest& manifest) {
    std::string text;
    TSectionWriter out(text);
    out.Open("settings");
    out.Line("Rev|" + std::to_string(manifest.rev));
    out.Line(std::string("ModHosts|") + (manifest.modHosts ? "1" : "0"));
    out.Close("settings");
    out.Open("hosts");
    for (const std::string& host : manifest.hosts) out.Line(host);
    out.Close("hosts");
    out.Open("self");
    if (manifest.self) out.File(*manifest.self);
    out.Close("self");
    out.Open("files_critical");
    for (const TFileEntry& entry : manifest.critical) out.File(entry);
    out.Close("files_critical");
    out.Open("files_normal");
    for (const TFileEntry& entry : manifest.normal) out.File(entry);
    out.Close("files_normal");
    return text;
}

}  // namespace quarnel
