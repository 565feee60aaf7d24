// Which client files a manifest can list, and under which path.
#pragma once

#include <string>
#include <string_view>

namespace quarnel {

// The manifest path of a file whose path relative to the client folder is
// relative, with "/" between folders: the same path with "\" between them.
std::string ManifestPathOf(std::string_view relative);

// Why the file at relative cannot be listed, or empty when it can: the
// launcher would refuse its path, the manifest cannot carry one of its bytes,
// or its archive or local copy would clash with the manifest's own files.
std::string PathProblem(std::string_view relative);

// path as it can be shown in a message: control bytes become "\xNN".
std::string PrintablePath(std::string_view path);

}  // namespace quarnel
