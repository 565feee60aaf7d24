// The launcher's settings: _settings.ini in the folder the launcher was
// started from, read once into SettingsList, of which nothing ever changes.
#pragma once

#include <memory>
#include <string>

#include "platform/StringList.h"

namespace quarnel {

enum TSettingSlot {
    AppDirSlot = 0,
    NewsUrlSlot,
    UpdatesUrlSlot,
    LinkNameSlot,
    InstalledSlot,
    CreateBackupSlot,
    AtRevisionSlot,
    RunCustomSlot,
};

inline constexpr const char* kSettingsFileName = "_settings.ini";
inline constexpr const char* kSettingsSection = "main";

// The program-wide list; touched on the UI thread only. Empty after release.
extern std::unique_ptr<TStringList> SettingsList;

// Creates SettingsList with AppDir (the current folder and "/") and, when
// the settings file exists, the seven values as read. False when it is missing.
bool LoadSettings();
// Releases SettingsList; later writes are dropped, as nobody is left to use them.
void ReleaseSettings();

// Marks the first-run set-up done: Installed=1.
void WriteInstalledMarker();
// Stores the reached revision as AtRevision. Raises "Unable to write to %s".
void UpdateRevision(const std::string& value);

}  // namespace quarnel
