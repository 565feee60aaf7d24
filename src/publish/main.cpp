// quarnel-publish: the operator's tool that builds, checks and serves the
// update server's file tree of a client release.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "publish/CommandLine.h"
#include "publish/ProgressBar.h"
#include "publish/ReleaseBuild.h"
#include "publish/ReleaseCheck.h"
#include "publish/ReleaseServer.h"

using namespace quarnel;

namespace {

constexpr int kFailure = 1;
constexpr int kBadUsage = 2;

int Build(const TBuildOptions& options) {
    const TBuildSummary s = BuildRelease(options);
    const double share = s.bytesIn > 0 ? 100.0 * static_cast<double>(s.bytesOut) / static_cast<double>(s.bytesIn) : 0;
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%.1f%%", share);
    std::cout << "Built rev " << options.rev << " in " << options.releaseDir << ": " << s.files << " files, "
              << FormatBytes(static_cast<double>(s.bytesIn)) << " in, " << FormatBytes(static_cast<double>(s.bytesOut))
              << " out (" << ratio << "), " << s.compressed << " compressed, " << s.removed << " removed, "
              << FormatDuration(s.seconds) << "\n";
    return 0;
}

int Check(const std::string& target) {
    const TCheckReport report = CheckRelease(target);
    for (const std::string& problem : report.problems) std::cout << problem << "\n";
    if (!report.problems.empty()) {
        std::cerr << "error: " << report.problems.size() << (report.problems.size() == 1 ? " problem" : " problems")
                  << " in " << target << "\n";
        return kFailure;
    }
    std::cout << "OK: rev " << report.rev << ", " << report.files << " files, "
              << FormatBytes(static_cast<double>(report.bytes)) << " unpacked, all as the manifest lists them\n";
    return 0;
}

int Serve(const std::string& releaseDir, int port) {
    TReleaseServer server(releaseDir);
    port = server.Bind(port);
    std::cout << "Serving " << releaseDir << " at http://127.0.0.1:" << port << "/ (Ctrl-C to stop)" << std::endl;
    server.Run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    TCommandLine line;
    try {
        line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsage& e) {
        std::cerr << "error: " << e.Message() << "\n"
                  << UsageLine(e.Command()) << "\n"
                  << "Try '" << CommandName(e.Command()) << " --help' for more.\n";
        return kBadUsage;
    }
    if (line.help) {
        std::cout << HelpText(line.command);
        return 0;
    }
    try {
        switch (line.command) {
            case TCommand::Build: return Build(line.build);
            case TCommand::Check: return Check(line.checkTarget);
            case TCommand::Serve: return Serve(line.serveDir, line.port);
            case TCommand::None: break;
        }
    } catch (const EBuildRefused& e) {
        for (const std::string& problem : e.Problems()) std::cerr << "error: " << problem << "\n";
        std::cerr << "error: nothing was written\n";
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << "\n";
    }
    return kFailure;
}
