// The launcher entry on the user's desktop, made on the first run.
#pragma once

#include <string>

namespace quarnel {

// The user's desktop folder without a trailing "/": XDG_DESKTOP_DIR from
// ~/.config/user-dirs.dirs when it names one, else ~/Desktop.
std::string DesktopDirectory();

// Writes name + ".desktop" into the desktop folder, executable, starting the
// running program with folder as its working folder and description as its
// comment. Nothing for an empty name; a failure leaves the entry missing
// and is not reported.
void CreateDesktopShortcut(const std::string& name, const std::string& folder, const std::string& description);

}  // namespace quarnel
