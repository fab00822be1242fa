// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Session holding a song given as text, laid out with made-up character
// widths (measure::FixedMeasurer: 20 px for full-width characters), in a
// folder of its own where the test writes its scripts and tag files.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "app/session.h"
#include "common/encoding.h"
#include "lyrics/reader.h"
#include "measure/fixed_measurer.h"

namespace kvelmor::test_support {

class LoadedSession {
public:
    // `name` names the test's folder.
    explicit LoadedSession(const std::string& name)
        : dir(std::filesystem::temp_directory_path() / ("kvelmor_" + name + "_" + std::to_string(getpid()))) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        session.settings.recomputeAllPixelHeights();
    }
    ~LoadedSession() { std::filesystem::remove_all(dir); }

    // Loads the lyrics (the bytes of a lyrics file) as if read from song.txt
    // in the folder, then the full refresh.
    void load(std::string_view lyrics) {
        const std::string path = (dir / "song.txt").string();
        lyrics::loadLyricsText(session.song, decodeText(lyrics).utf8, path, session.settings, measurer, reporter);
        session.runFullRefresh();
    }

    // The bytes of the file written by `write` (writeScript / writeKra to a path).
    template <typename Write>
    std::string written(const std::string& file, Write write) {
        const std::string path = (dir / file).string();
        write(path);
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::string script() {
        return written("out.ass", [this](const std::string& p) { session.writeScript(p); });
    }
    std::string kra() {
        return written("out.kra", [this](const std::string& p) { session.writeKra(p); });
    }

    std::filesystem::path dir;
    CollectingReporter reporter;
    measure::FixedMeasurer measurer;
    app::Session session{reporter, measurer};
};

}  // namespace kvelmor::test_support
