// The tool's command line: its commands, their options and their help.
#pragma once

#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "publish/ReleaseBuild.h"

namespace quarnel {

enum class TCommand { None, Build, Check, Serve };

// A command line that cannot be run, with the command whose usage goes with it.
class EUsage : public Exception {
public:
    EUsage(TCommand command, const std::string& message) : Exception(message), command_(command) {}
    TCommand Command() const { return command_; }

private:
    TCommand command_;
};

struct TCommandLine {
    TCommand command = TCommand::None;
    // Show the command's help and do nothing else.
    bool help = false;
    TBuildOptions build;
    std::string checkTarget;
    std::string serveDir;
    int port = 8080;
};

// args are the arguments after the program's name. Raises EUsage.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "quarnel-publish build", or the program's name alone for None.
std::string CommandName(TCommand command);
// The synopsis line, "usage: ...".
std::string UsageLine(TCommand command);
// The whole help, ending in a line end.
std::string HelpText(TCommand command);

}  // namespace quarnel
