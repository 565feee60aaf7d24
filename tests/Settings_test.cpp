#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/Settings.h"
#include "platform/Exceptions.h"
#include "support/TempDir.h"

using namespace quarnel;
using namespace quarnel::test;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { ReleaseSettings(); }

    TempDir dir;
    CurrentDir current{dir.Path()};
    std::string appDir = dir.Path().string() + "/";
};

}  // namespace

TEST_F(SettingsTest, LoadsTheSevenValuesInSlotOrder) {
    const std::string longValue(3000, 'n');
    const struct {
        const char* name;
        std::string file;
        TStringList slots;  // from NewsUrlSlot on
    } cases[] = {
        {"empty file", "", {"", "", "Quarnel", "0", "0", "0", "Wow.exe"}},
        {"no main section", "[other]\r\nNewsUrl=x\r\n", {"", "", "Quarnel", "0", "0", "0", "Wow.exe"}},
        {"every key",
         "[main]\r\nNewsUrl=http://n/\r\nUpdatesUrl=http://u/\r\nLinkName=Game\r\nInstalled=1\r\n"
         "CreateBackup=1\r\nAtRevision=12\r\nRunCustom=bin/game\r\n",
         {"http://n/", "http://u/", "Game", "1", "1", "12", "bin/game"}},
        {"case, blanks and quotes", "[MAIN]\ninstalled = 0 \nATREVISION=\nlinkname=\"My Game\"\n",
         {"", "", "My Game", "0", "0", "", "Wow.exe"}},
        {"long value", "[main]\r\nNewsUrl=" + longValue + "\r\n",
         {longValue.substr(0, 2047), "", "Quarnel", "0", "0", "0", "Wow.exe"}},
    };
    for (const auto& c : cases) {
        dir.Write("_settings.ini", c.file);
        ASSERT_TRUE(LoadSettings()) << c.name;
        TStringList expected{appDir};
        for (const auto& slot : c.slots) expected.Add(slot);
        EXPECT_EQ(*SettingsList, expected) << c.name;
    }
}

TEST_F(SettingsTest, AMissingFileLeavesOnlyTheFolder) {
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(*SettingsList, TStringList{appDir});
}

TEST_F(SettingsTest, WritesGoToTheFileAndNeverToTheList) {
    dir.Write("_settings.ini", "; launcher\r\n[main]\r\nInstalled=0\r\nAtRevision=3\r\n");
    ASSERT_TRUE(LoadSettings());
    WriteInstalledMarker();
    UpdateRevision("15");
    EXPECT_EQ(dir.Read("_settings.ini"), "; launcher\r\n[main]\r\nInstalled=1\r\nAtRevision=15\r\n");
    EXPECT_EQ((*SettingsList)[InstalledSlot], "0");
    EXPECT_EQ((*SettingsList)[AtRevisionSlot], "3") << "a later worker still starts from the start-up revision";
}

TEST_F(SettingsTest, AFileDeletedMeanwhileIsMadeAnew) {
    dir.Write("_settings.ini", "[main]\r\nNewsUrl=x\r\n");
    ASSERT_TRUE(LoadSettings());
    std::filesystem::remove(dir / "_settings.ini");
    UpdateRevision("15");
    EXPECT_EQ(dir.Read("_settings.ini"), "[main]\r\nAtRevision=15\r\n");
}

TEST_F(SettingsTest, ARefusedWriteNamesTheFile) {
    dir.Write("_settings.ini", "[main]\r\n");
    ASSERT_TRUE(LoadSettings());
    std::filesystem::remove(dir / "_settings.ini");
    std::filesystem::create_directory(dir / "_settings.ini");
    try {
        UpdateRevision("15");
        FAIL() << "the write was not refused";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + appDir + "_settings.ini");
    }
}

TEST_F(SettingsTest, ALateStoreAfterReleaseIsDropped) {
    dir.Write("_settings.ini", "[main]\r\nAtRevision=3\r\n");
    ASSERT_TRUE(LoadSettings());
    ReleaseSettings();
    UpdateRevision("15");
    EXPECT_EQ(dir.Read("_settings.ini"), "[main]\r\nAtRevision=3\r\n");
}
