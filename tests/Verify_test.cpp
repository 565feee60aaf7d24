#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "support/Checks.h"
#include "support/TempDir.h"
#include "support/WorkerHarness.h"
#include "update/Misc.h"

using namespace quarnel;
using namespace quarnel::test;
using Strings = std::vector<std::string>;

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct CheckCase {
    WorkerHarness h;
    TempDir dir;
    TStringList queued;

    std::exception_ptr Check(const TStringList& section, TStringList alreadyQueued = {}) {
        return h.Run([&](ScriptedWorker& w) {
            w.BaseDir = dir.Path().string() + "/";
            w.PendingFiles = std::make_unique<TStringList>(std::move(alreadyQueued));
            struct Keep {
                ScriptedWorker& w;
                TStringList& out;
                ~Keep() { out = *w.PendingFiles; }
            } keep{w, queued};
            w.CheckFileList(section);
        });
    }
};

}  // namespace

TEST(CheckFileList, AnEmptyOrFailedSectionDoesNothing) {
    for (const TStringList& section : {TStringList{}, TStringList{"FAIL"}, TStringList{"FAIL", "a|b|1"}}) {
        CheckCase c;
        EXPECT_FALSE(c.Check(section, {"earlier|x|1"}));
        EXPECT_TRUE(c.h.view.log.empty());
        EXPECT_EQ(c.queued, TStringList{"earlier|x|1"});
    }
}

TEST(CheckFileList, QueuesMissingAndDifferentFilesAndReportsEachEntry) {
    CheckCase c;
    c.dir.Write("Game.exe", "game");
    c.dir.Write("Data/common.pak", "common");
    c.dir.Write("Data/old.pak", "old");
    c.dir.Write("caps.txt", "caps");
    const TStringList section{
        "Game.exe|" + Md5Of("game") + "|4",
        "Data\\common.pak|" + Md5Of("common") + "|not a number",
        "Data\\old.pak|" + Md5Of("new") + "|3",
        "Data\\missing.pak|" + Md5Of("x") + "|1",
        "caps.txt|" + Upper(Md5Of("caps")) + "|4",
    };
    ASSERT_FALSE(c.Check(section, {"earlier|x|1"}));
    EXPECT_EQ(c.queued, (TStringList{"earlier|x|1", section[2], section[3], section[4]}));
    EXPECT_EQ(c.h.view.log,
              (Strings{"status:Проверка файлов", "max1:4", "pos1:0", "status:Проверка Game.exe", "pos1:1",
                       "status:Проверка Data\\common.pak", "pos1:2", "status:Проверка Data\\old.pak", "pos1:3",
                       "status:Проверка Data\\missing.pak", "pos1:4", "status:Проверка caps.txt", "pos1:0", "status:"}));
}

TEST(CheckFileList, AMalformedEntryEndsTheCheckWhereItStands) {
    const struct {
        const char* entry;
        bool (*raises)(std::exception_ptr);
        const char* lastReport;
    } cases[] = {
        {"a.pak||12", Raises<EStringListError>, "pos1:1"},
        {"missing.pak|0123|12x", Raises<EConvertError>, "status:Проверка missing.pak"},
        {"..\\..\\etc\\passwd|0123|1", Raises<EUnsafePath>, "pos1:1"},
        {"/etc/passwd|0123|1", Raises<EUnsafePath>, "pos1:1"},
    };
    for (const auto& bad : cases) {
        CheckCase c;
        c.dir.Write("ok.txt", "ok");
        const auto escaped = c.Check({"ok.txt|" + Md5Of("ok") + "|2", bad.entry, "never.txt|x|1"});
        ASSERT_TRUE(escaped) << bad.entry;
        EXPECT_TRUE(bad.raises(escaped)) << bad.entry;
        EXPECT_EQ(c.h.view.log.back(), bad.lastReport) << bad.entry;
    }
}

TEST(CheckFileList, DigestsWorkedAheadMatchTheWalkInOrder) {
    CheckCase c;
    TStringList section, expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "f" + std::to_string(i) + ".bin";
        const std::string content(static_cast<size_t>(i * 97 % 5000), static_cast<char>('a' + i % 26));
        c.dir.Write(name, content);
        section.Add(name + "|" + Md5Of(i % 7 == 0 ? content + "!" : content) + "|" + std::to_string(content.size()));
        if (i % 7 == 0) expected.Add(section[i]);
    }
    ASSERT_FALSE(c.Check(section));
    EXPECT_EQ(c.queued, expected);
    EXPECT_EQ(c.h.view.log.size(), 2 + 2 * 300 + 2u);
}
