#include "publish/CommandLine.h"

#include <algorithm>
#include <optional>

#include "platform/IntConv.h"

namespace quarnel {

namespace {

constexpr const char* kProgram = "quarnel-publish";

const char* const kGeneralHelp = R"(Builds, checks and serves the update server's file tree of a game client release.

Commands:
  build   compress a client folder into a release folder and write its manifest
  check   fetch a release and check every archive against its manifest
  serve   serve a release folder over HTTP on 127.0.0.1 to try it locally

Run 'quarnel-publish <command> --help' for a command's options.
)";

const char* const kBuildHelp = R"(Writes the update server's file tree for the client in CLIENT_DIR into
RELEASE_DIR: every file compressed with bzip2 as PATH.bz2, on every core, and the
manifest files.lst.bz2 that lists them with their MD5 digests and sizes, in
sorted order. Serve RELEASE_DIR at the launcher's UpdatesUrl.

Options:
  --rev N          the release's revision, a whole number (required); a launcher
                   at a lower revision verifies every file, not only the critical
  --critical GLOB  list the matching files in [files_critical], verified on every
                   launcher run; the others go to [files_normal]. May be repeated.
  --self NAME      the launcher's executable, a file directly in CLIENT_DIR. It is
                   listed in [self] only and left out of [files_critical] and
                   [files_normal]: the launcher replaces it through its
                   self-update, which a file check of its own would fight.
  --hosts FILE     entries for the players' hosts file, lines "address host..."
                   with "#" starting a comment; ModHosts becomes 1 (0 without it)
  --exclude GLOB   leave the matching files out: neither compressed nor listed.
                   A pattern that matches a folder leaves out all of it.
                   May be repeated.
  -h, --help       show this help

Patterns are fnmatch(3) patterns without FNM_PATHNAME, matched against the path
relative to CLIENT_DIR with "/" between folders, so "*" also matches "/":
"*.dll" matches every .dll in every folder, "data/*" everything below data.

A file whose path the launcher would refuse or the manifest cannot carry
(control bytes, "|", "\", a leading or trailing blank, a drive letter), or of
2 GiB or more, stops the build before anything is written. RELEASE_DIR is
skipped when it lies inside CLIENT_DIR.

Building again over RELEASE_DIR compresses only the files whose content
changed and removes the archives of the files that are gone. Archives and the
manifest are written under temporary names and renamed into place, the
manifest last, so that a launcher never gets a part of a file or a manifest
that lists an archive not yet there. What the next build needs for this is
kept in RELEASE_DIR/.quarnel-publish-state.
)";

const char* const kCheckHelp = R"(Fetches files.lst.bz2 and every archive it lists from an update server's base
URL (http:// or https://) or from a release folder, and checks that [settings]
holds an integer Rev and ModHosts, that every entry is one the launcher can
use, and that each archive unpacks to a file of the listed size and MD5 digest.

Prints every problem with its path and exits with 1 if there is any; prints a
one-line summary and exits with 0 otherwise.

Options:
  -h, --help    show this help
)";

const char* const kServeHelp = R"(Serves the files of RELEASE_DIR over HTTP on 127.0.0.1 until interrupted, for
trying a release locally, and prints the URL to give the launcher as its
UpdatesUrl. Files whose path has a part starting with "." are not served.

Options:
  --port P      the port to listen on (default 8080); 0 picks a free one
  -h, --help    show this help
)";

// The arguments of one command, taken apart: options by name, in order, and
// the positional arguments. "--name value" and "--name=value" alike; "--"
// ends the options.
class TArguments {
public:
    TArguments(TCommand command, const std::vector<std::string>& args, const std::vector<std::string>& names)
        : command_(command) {
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (arg == "--") {
                positional_.insert(positional_.end(), args.begin() + static_cast<long>(i) + 1, args.end());
                break;
            }
            if (arg == "-h" || arg == "--help") {
                help_ = true;
            } else if (arg.starts_with("-") && arg != "-") {
                const size_t equals = arg.find('=');
                const std::string name = arg.substr(0, equals);
                if (std::find(names.begin(), names.end(), name) == names.end()) Fail("unknown option '" + name + "'");
                if (equals != std::string::npos) {
                    options_.emplace_back(name, arg.substr(equals + 1));
                } else if (i + 1 < args.size()) {
                    options_.emplace_back(name, args[++i]);
                } else {
                    Fail(name + " needs a value");
                }
            } else {
                positional_.push_back(arg);
            }
        }
    }

    bool Help() const { return help_; }
    const std::vector<std::string>& Positional() const { return positional_; }

    // Every value given to name, in order.
    std::vector<std::string> All(const std::string& name) const {
        std::vector<std::string> values;
        for (const auto& [option, value] : options_) {
            if (option != name) continue;
            if (value.empty()) Fail(name + " needs a value");
            values.push_back(value);
        }
        return values;
    }

    // The value of an option given at most once.
    std::optional<std::string> One(const std::string& name) const {
        const std::vector<std::string> values = All(name);
        if (values.size() > 1) Fail(name + " is given more than once");
        if (values.empty()) return std::nullopt;
        return values[0];
    }

    // A whole number from 0 to max, written in decimal digits.
    int32_t Number(const std::string& name, const std::string& text, int32_t max) const {
        int32_t value = 0;
        const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || !TryStrToInt(text, value) || value > max)
            Fail(name + " takes a whole number from 0 to " + std::to_string(max) + ", not '" + text + "'");
        return value;
    }

    void ExpectPositional(size_t count, const char* what) const {
        if (positional_.size() < count) Fail("missing " + std::string(what));
        if (positional_.size() > count) Fail("unexpected argument '" + positional_[count] + "'");
    }

    [[noreturn]] void Fail(const std::string& message) const { throw EUsage(command_, message); }

private:
    TCommand command_;
    bool help_ = false;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> positional_;
};

void ParseBuild(const TArguments& args, TCommandLine& line) {
    args.ExpectPositional(2, "CLIENT_DIR and RELEASE_DIR");
    TBuildOptions& build = line.build;
    build.clientDir = args.Positional()[0];
    build.releaseDir = args.Positional()[1];
    const std::optional<std::string> rev = args.One("--rev");
    if (!rev) args.Fail("missing --rev N");
    build.rev = args.Number("--rev", *rev, INT32_MAX);
    build.critical = args.All("--critical");
    build.exclude = args.All("--exclude");
    build.selfName = args.One("--self").value_or("");
    build.hostsFile = args.One("--hosts").value_or("");
}

void ParseServe(const TArguments& args, TCommandLine& line) {
    args.ExpectPositional(1, "RELEASE_DIR");
    line.serveDir = args.Positional()[0];
    if (const std::optional<std::string> port = args.One("--port")) line.port = args.Number("--port", *port, 65535);
}

TCommand CommandNamed(const std::string& name) {
    static const std::pair<const char*, TCommand> kCommands[] = {
        {"build", TCommand::Build}, {"check", TCommand::Check}, {"serve", TCommand::Serve}};
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const auto& command) { return name == command.first; });
    if (known == std::end(kCommands)) throw EUsage(TCommand::None, "unknown command '" + name + "'");
    return known->second;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine line;
    if (args.empty()) throw EUsage(TCommand::None, "no command given");
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        line.help = true;
        if (args.size() > 1) line.command = CommandNamed(args[1]);
        return line;
    }
    line.command = CommandNamed(args[0]);

    static const std::vector<std::string> kBuildOptions{"--rev", "--critical", "--self", "--hosts", "--exclude"};
    static const std::vector<std::string> kServeOptions{"--port"};
    static const std::vector<std::string> kNone;
    const TArguments parsed(line.command, args,
                            line.command == TCommand::Build   ? kBuildOptions
                            : line.command == TCommand::Serve ? kServeOptions
                                                              : kNone);
    line.help = parsed.Help();
    if (line.help) return line;
    switch (line.command) {
        case TCommand::Build: ParseBuild(parsed, line); break;
        case TCommand::Check:
            parsed.ExpectPositional(1, "RELEASE_URL_OR_DIR");
            line.checkTarget = parsed.Positional()[0];
            break;
        case TCommand::Serve: ParseServe(parsed, line); break;
        case TCommand::None: break;
    }
    return line;
}

std::string CommandName(TCommand command) {
    switch (command) {
        case TCommand::Build: return std::string(kProgram) + " build";
        case TCommand::Check: return std::string(kProgram) + " check";
        case TCommand::Serve: return std::string(kProgram) + " serve";
        case TCommand::None: break;
    }
    return kProgram;
}

std::string UsageLine(TCommand command) {
    const std::string name = CommandName(command);
    switch (command) {
        case TCommand::Build:
            return "usage: " + name +
                   " CLIENT_DIR RELEASE_DIR --rev N [--critical GLOB]... [--self NAME] [--hosts FILE] "
                   "[--exclude GLOB]...";
        case TCommand::Check: return "usage: " + name + " RELEASE_URL_OR_DIR";
        case TCommand::Serve: return "usage: " + name + " RELEASE_DIR [--port P]";
        case TCommand::None: break;
    }
    return "usage: " + name + " <build|check|serve> [options]";
}

std::string HelpText(TCommand command) {
    const char* body = kGeneralHelp;
    switch (command) {
        case TCommand::Build: body = kBuildHelp; break;
        case TCommand::Check: body = kCheckHelp; break;
        case TCommand::Serve: body = kServeHelp; break;
        case TCommand::None: break;
    }
    return UsageLine(command) + "\n\n" + body;
}

}  // namespace quarnel
