// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/window_state.h"

#include <algorithm>

#include "common/file_io.h"
#include "settings/presets.h"

namespace kvelmor::settings {

namespace {
std::string recentKey(int n) { return "recentFile" + std::to_string(n); }
}  // namespace

void addRecentFile(std::vector<std::string>& recent, const std::string& path) {
    if (path.empty()) return;
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    recent.insert(recent.begin(), path);
    if (recent.size() > static_cast<size_t>(kMaxRecentFiles)) recent.resize(kMaxRecentFiles);
}

std::vector<std::string> dropMissingFiles(std::vector<std::string>& recent) {
    std::vector<std::string> gone;
    std::string why;
    auto missing = [&](const std::string& p) {
        if (isRegularFile(p, why)) return false;
        gone.push_back(p);
        return true;
    };
    recent.erase(std::remove_if(recent.begin(), recent.end(), missing), recent.end());
    return gone;
}

void loadWindowState(const IniFile& ini, WindowState& state) {
    state.geometry = ini.value(kInfoSection, "windowGeometry", "");
    state.timingGeometry = ini.value(kInfoSection, "timingGeometry", "");
    state.splitterSizes = ini.value(kInfoSection, "windowSplitter", "");
    state.lastSong = ini.value(kInfoSection, "lastSong", "");
    state.previewVideo = ini.value(kInfoSection, "previewVideo", "");
    state.recentFiles.clear();
    for (int n = 1; n <= kMaxRecentFiles; ++n)
        if (std::string p = ini.value(kInfoSection, recentKey(n), ""); !p.empty()) addRecentFile(state.recentFiles, p);
    std::reverse(state.recentFiles.begin(), state.recentFiles.end());  // added oldest last
}

void saveWindowState(IniFile& ini, const WindowState& state) {
    ini.setValue(kInfoSection, "windowGeometry", state.geometry);
    if (!state.timingGeometry.empty()) ini.setValue(kInfoSection, "timingGeometry", state.timingGeometry);
    ini.setValue(kInfoSection, "windowSplitter", state.splitterSizes);
    ini.setValue(kInfoSection, "lastSong", state.lastSong);
    ini.setValue(kInfoSection, "previewVideo", state.previewVideo);
    for (int n = 1; n <= kMaxRecentFiles; ++n) {
        if (n <= static_cast<int>(state.recentFiles.size()))
            ini.setValue(kInfoSection, recentKey(n), state.recentFiles[static_cast<size_t>(n - 1)]);
        else
            ini.remove(kInfoSection, recentKey(n));
    }
}

}  // namespace kvelmor::settings
