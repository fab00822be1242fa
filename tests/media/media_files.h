// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small media files made by the ffmpeg program while the tests run, so that
// no media is kept in the source tree. Shared by the media, app and cli tests.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace kvelmor::test {

inline bool haveFfmpeg() {
    static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    return have;
}

// Skips the test when the program that makes the media is missing.
#define KVELMOR_NEED_FFMPEG()                                                                     \
    do {                                                                                          \
        if (!::kvelmor::test::haveFfmpeg())                                                       \
            GTEST_SKIP() << "the ffmpeg program is not installed; it makes these tests' media"; \
    } while (false)

// Writes `file` with ffmpeg; `args` are its input and encoding options.
// The path, or empty when ffmpeg failed (its messages go to stderr).
inline std::string makeMedia(const std::filesystem::path& file, const std::string& args) {
    std::string cmd = "ffmpeg -nostdin -v error -y " + args + " '" + file.string() + "'";
    return std::system(cmd.c_str()) == 0 ? file.string() : std::string();
}

// A temporary folder, named after the process and `name`, removed at the end.
class MediaFolder {
public:
    explicit MediaFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / ("kvelmor_" + name + "_" + std::to_string(getpid()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~MediaFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    MediaFolder(const MediaFolder&) = delete;
    MediaFolder& operator=(const MediaFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

    std::string make(const std::string& name, const std::string& args) const { return makeMedia(m_path / name, args); }
    // Writes `name` with the given bytes.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::string out = file(name);
        std::ofstream(out, std::ios::binary) << bytes;
        return out;
    }

private:
    std::filesystem::path m_path;
};

// ffmpeg arguments for a test picture of the given size and length in seconds.
inline std::string testVideo(const std::string& size, const std::string& seconds) {
    return "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + seconds;
}

// ffmpeg arguments for a video of plain colours one after another, each for
// its whole seconds, 25 frames a second, MPEG-4 with a key frame every
// `keyFrameInterval` frames.
inline std::string colourVideo(const std::string& size, const std::vector<std::pair<std::string, int>>& colours,
                               int keyFrameInterval = 250) {
    std::string graph, labels;
    for (size_t i = 0; i < colours.size(); ++i) {
        const std::string label = "[c" + std::to_string(i) + "]";
        graph += "color=c=" + colours[i].first + ":s=" + size + ":r=25:d=" + std::to_string(colours[i].second) +
                 label + ";";
        labels += label;
    }
    return "-f lavfi -i \"" + graph + labels + "concat=n=" + std::to_string(colours.size()) +
           "\" -c:v mpeg4 -q:v 2 -g " + std::to_string(keyFrameInterval);
}

}  // namespace kvelmor::test
