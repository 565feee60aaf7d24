#include <gtest/gtest.h>

#include <optional>

#include "platform/Exceptions.h"
#include "support/Checks.h"
#include "support/TempDir.h"
#include "support/WorkerHarness.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

const std::string kHeader = "#-------- Added by Quarnel Updater --------";
const std::string kFooter = "#-----------------";
const Strings kWritten = {"status:Applying changes to Hosts", "status:Hosts file chamged"};

// The lines as a rewritten file holds them.
std::string CrLf(const Strings& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

struct HostsCase {
    WorkerHarness h;
    TempDir dir;

    std::exception_ptr Patch(const TStringList& entries) {
        return h.Run([&](ScriptedWorker& w) {
            w.HostsDir = dir.Path().string() + "/";
            w.PatchHosts(entries);
        });
    }
};

}  // namespace

TEST(PatchHosts, MergesEntriesIntoTheFile) {
    const struct {
        const char* what;
        std::string file;
        TStringList entries;
        std::optional<Strings> rewritten;  // nullopt: the file must stay as it was
    } cases[] = {
        {"new pairs are appended in a block",
         "127.0.0.1\tlocalhost\n::1 localhost\n",
         {"203.0.113.10|game-login", "203.0.113.11|game-world"},
         Strings{"127.0.0.1\tlocalhost", "::1 localhost", kHeader, "203.0.113.10\tgame-login", "203.0.113.11\tgame-world",
                 kFooter}},
        {"a pair already active with a TAB", "203.0.113.10\tgame-login\n", {"203.0.113.10|game-login"}, std::nullopt},
        {"a pair already active with blanks, untrimmed", "  203.0.113.10   game-login  \n",
         {"203.0.113.10|game-login"}, std::nullopt},
        {"an address that only ends with the entry's counts as present", "1203.0.113.10 game-login\n",
         {"203.0.113.10|game-login"}, std::nullopt},
        {"another address is commented out and the pair appended",
         "127.0.0.1 localhost\n10.0.0.1 game-login\n",
         {"203.0.113.10|game-login"},
         Strings{"127.0.0.1 localhost", "#10.0.0.1 game-login", kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"a longer host name holding the host is its line", "10.0.0.1 my-game-login.net\n",
         {"203.0.113.10|game-login"},
         Strings{"#10.0.0.1 my-game-login.net", kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"a host only in comments is added", "# 203.0.113.10 game-login\n", {"203.0.113.10|game-login"},
         Strings{"# 203.0.113.10 game-login", kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"hosts match case-sensitively", "10.0.0.1 GAME-LOGIN\n", {"203.0.113.10|game-login"},
         Strings{"10.0.0.1 GAME-LOGIN", kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"the last active line decides: another address",
         "203.0.113.10 game-login\n10.0.0.1 game-login\n",
         {"203.0.113.10|game-login"},
         Strings{"203.0.113.10 game-login", "#10.0.0.1 game-login", kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"the last active line decides: this address, so nothing is written",
         "10.0.0.1 game-login\n203.0.113.10 game-login\n", {"203.0.113.10|game-login"}, std::nullopt},
        {"two entries for one host are both added", "127.0.0.1 localhost\n",
         {"203.0.113.10|game-login", "203.0.113.12|game-login"},
         Strings{"127.0.0.1 localhost", kHeader, "203.0.113.10\tgame-login", "203.0.113.12\tgame-login", kFooter}},
        {"lines come back trimmed, blank ones kept",
         "  127.0.0.1\tlocalhost  \r\n\r\n\t# comment\n\x01last line without an end",
         {"203.0.113.10|game-login"},
         Strings{"127.0.0.1\tlocalhost", "", "# comment", "last line without an end", kHeader,
                 "203.0.113.10\tgame-login", kFooter}},
        {"an empty file", "", {"203.0.113.10|game-login"}, Strings{kHeader, "203.0.113.10\tgame-login", kFooter}},
        {"the FAIL mark", "10.0.0.1 game-login\n", {"FAIL", "203.0.113.10|game-login"}, std::nullopt},
        {"no entries at all", "10.0.0.1 game-login\n", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        HostsCase hosts;
        hosts.dir.Write("hosts", c.file);
        ASSERT_FALSE(hosts.Patch(c.entries)) << c.what;
        if (c.rewritten) {
            EXPECT_EQ(hosts.dir.Read("hosts"), CrLf(*c.rewritten)) << c.what;
            EXPECT_EQ(hosts.h.view.log, kWritten) << c.what;
        } else {
            EXPECT_EQ(hosts.dir.Read("hosts"), c.file) << c.what;
            EXPECT_TRUE(hosts.h.view.log.empty()) << c.what;
        }
    }
}

TEST(PatchHosts, ASecondCallFindsTheFirstBlock) {
    HostsCase hosts;
    hosts.dir.Write("hosts", "10.0.0.1 game-login\n");
    const TStringList entries{"203.0.113.10|game-login", "203.0.113.11|game-world"};
    ASSERT_FALSE(hosts.Patch(entries));
    const std::string once = hosts.dir.Read("hosts");
    hosts.h.view.log.clear();
    ASSERT_FALSE(hosts.Patch(entries));
    EXPECT_EQ(hosts.dir.Read("hosts"), once);
    EXPECT_TRUE(hosts.h.view.log.empty());
}

TEST(PatchHosts, PrefersHostsMsnWhenItExists) {
    HostsCase hosts;
    hosts.dir.Write("hosts", "127.0.0.1 localhost\n");
    hosts.dir.Write("hosts.msn", "127.0.0.2 msn\n");
    ASSERT_FALSE(hosts.Patch({"203.0.113.10|game-login"}));
    EXPECT_EQ(hosts.dir.Read("hosts.msn"), CrLf({"127.0.0.2 msn", kHeader, "203.0.113.10\tgame-login", kFooter}));
    EXPECT_EQ(hosts.dir.Read("hosts"), "127.0.0.1 localhost\n");
}

TEST(PatchHosts, FailuresEndThePatchBeforeAnythingIsWritten) {
    const struct {
        const char* what;
        std::optional<std::string> file;  // nullopt: there is no hosts file
        TStringList entries;
        bool (*raises)(std::exception_ptr);
    } cases[] = {
        {"an entry with one field", "10.0.0.1 game-login\n", {"203.0.113.10|game-world", "game-login"},
         Raises<EStringListError>},
        {"an entry whose address is empty", "10.0.0.1 game-login\n", {"|game-login"}, Raises<EStringListError>},
        {"no hosts file", std::nullopt, {"203.0.113.10|game-login"}, Raises<EInOutError>},
    };
    for (const auto& c : cases) {
        HostsCase hosts;
        if (c.file) hosts.dir.Write("hosts", *c.file);
        const auto escaped = hosts.Patch(c.entries);
        ASSERT_TRUE(escaped) << c.what;
        EXPECT_TRUE(c.raises(escaped)) << c.what;
        EXPECT_TRUE(hosts.h.view.log.empty()) << c.what;
        if (c.file) {
            EXPECT_EQ(hosts.dir.Read("hosts"), *c.file) << c.what;
        } else {
            EXPECT_TRUE(std::filesystem::is_empty(hosts.dir.Path())) << c.what;
        }
    }
}
