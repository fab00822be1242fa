// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window keeps between runs: its place and size, the split between
// the settings and the preview, the song and the preview video open at the
// end, and the recently opened lyrics files. Kept in the "info" section
// after the application state's own keys, so that the file stays one the
// presets and the application state read as before.

#include <string>
#include <vector>

#include "settings/ini_store.h"

namespace kvelmor::settings {

inline constexpr int kMaxRecentFiles = 10;

struct WindowState {
    std::string geometry;      // the window's place and size, as the window writes it (key windowGeometry)
    std::string timingGeometry;  // the same of the timing window when it last closed (timingGeometry)
    std::string splitterSizes;  // pixels: the splitter's sides, "," between them (windowSplitter)
    std::string lastSong;      // the lyrics file open when the window closed (lastSong)
    std::string previewVideo;  // the video behind the preview then (previewVideo)
    std::vector<std::string> recentFiles;  // newest first, at most kMaxRecentFiles (recentFile1 ...)
};

// `path` to the front of the list, once, the oldest beyond kMaxRecentFiles dropped.
void addRecentFile(std::vector<std::string>& recent, const std::string& path);
// Takes the files that are no longer there (or no longer regular files) out
// of the list, and returns them, in list order.
std::vector<std::string> dropMissingFiles(std::vector<std::string>& recent);

void loadWindowState(const IniFile& ini, WindowState& state);
// Writes the keys (in memory); recent-file keys beyond the list are removed.
void saveWindowState(IniFile& ini, const WindowState& state);

}  // namespace kvelmor::settings
