#include "support/ReleaseFixture.h"

#include "support/Bz2Fixture.h"
#include "support/Checks.h"
#include "update/Misc.h"

namespace quarnel::test {

std::string ReleaseFixture::Publish() const {
    std::string manifest = "[settings]\r\nRev|" + std::to_string(rev) + "\r\n";
    if (!modHosts.empty()) manifest += "ModHosts|" + modHosts + "\r\n";
    manifest += "[/settings]\r\n";
    const auto section = [&](const char* name, const std::map<std::string, std::string>& files) {
        manifest += std::string("[") + name + "]\r\n";
        for (const auto& [path, content] : files) {
            folder.Write(path + ".bz2", Bz2Compress(content));
            manifest += ReplaceAll(path, "/", "\\") + "|" + Md5Of(content) + "|" + std::to_string(content.size()) + "\r\n";
        }
        manifest += std::string("[/") + name + "]\r\n";
    };
    section("files_critical", critical);
    section("files_normal", normal);
    manifest += extra;
    folder.Write("files.lst.bz2", Bz2Compress(manifest));
    return manifest;
}

}  // namespace quarnel::test
