#include "launcher/Settings.h"

#include "platform/FileSys.h"
#include "platform/Profile.h"

namespace quarnel {

std::unique_ptr<TStringList> SettingsList;

namespace {

struct TSettingKey {
    const char* key;
    const char* defaultValue;
};

// In slot order, from NewsUrlSlot on.
constexpr TSettingKey kKeys[] = {
    {"NewsUrl", ""},      {"UpdatesUrl", ""}, {"LinkName", "Quarnel"}, {"Installed", "0"},
    {"CreateBackup", "0"}, {"AtRevision", "0"}, {"RunCustom", "Wow.exe"},
};

void WriteSetting(const char* key, const std::string& value) {
    if (!SettingsList) return;
    WriteProfileString(kSettingsSection, key, value, (*SettingsList)[AppDirSlot] + kSettingsFileName);
}

}  // namespace

bool LoadSettings() {
    SettingsList = std::make_unique<TStringList>();
    SettingsList->Add(GetCurrentDir() + "/");
    const std::string fileName = (*SettingsList)[AppDirSlot] + kSettingsFileName;
    if (!FileExists(fileName)) return false;
    for (const auto& setting : kKeys)
        SettingsList->Add(GetProfileString(kSettingsSection, setting.key, setting.defaultValue, fileName));
    return true;
}

void ReleaseSettings() {
    SettingsList.reset();
}

void WriteInstalledMarker() {
    WriteSetting("Installed", "1");
}

void UpdateRevision(const std::string& value) {
    WriteSetting("AtRevision", value);
}

}  // namespace quarnel
