// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Frames of a script as a viewer will see them: libass draws the subtitles
// at a time and they are blended over a background picture (a solid colour or
// a video frame). The script is taken as text in memory, as the writer makes
// it, so nothing is written to preview it.
//
// One renderer keeps libass's library, renderer and font cache alive across
// frames. libass is handed the script's header and styles with only the
// events that can show within a few seconds of the time asked for, so a long
// song costs no more per frame than a short one.
//
// Not thread-safe: one instance is used by one thread at a time.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/video_rewriter.h"
#include "render/image.h"

namespace kvelmor::render {

class FrameRenderer {
public:
    // Fonts come through fontconfig: the system's configuration plus
    // `extraFontconfigFiles` (the face-name aliases the text measurement
    // loaded), so that a face is drawn from the same file it was measured in.
    // Throws std::runtime_error when libass cannot start.
    explicit FrameRenderer(const std::vector<std::filesystem::path>& extraFontconfigFiles = {});
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // A new script (UTF-8, as scriptText gives it). The previous one is forgotten.
    void setScript(std::string text);
    const std::string& script() const;

    // The script's PlayResX and PlayResY (pixels): the frame size it was laid
    // out for. 0 before a script is set or when the header lacks them.
    int playResX() const;
    int playResY() const;
    // Milliseconds: the end of the last event; 0 without events.
    int64_t lastEventEnd() const;

    // Draws the subtitles shown at `ms` (milliseconds) over `frame`, scaled
    // from PlayResX × PlayResY to the frame's size as a player scales them.
    void drawOver(Image& frame, int64_t ms);
    // The same over a picture of a video being made, blended in its YUV
    // colours so that the picture is never converted to RGB and back.
    void drawOver(media::Picture420& frame, int64_t ms);
    // A frame of the given size: the subtitles at `ms` over a solid colour.
    Image render(int width, int height, int64_t ms, Colour background);

    // Complaints of libass (warnings and errors) since the last call.
    std::vector<std::string> takeComplaints();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A fontconfig configuration file's text: the system's configuration, then
// each of `extraFiles`. Handed to other programs that draw scripts (ffmpeg,
// through FONTCONFIG_FILE) it makes them pick the fonts this renderer picks.
std::string fontconfigConfiguration(const std::vector<std::filesystem::path>& extraFiles);

// Milliseconds of a script time "H:MM:SS.CC"; -1 when it is not one.
int64_t scriptTimeMs(std::string_view text);

}  // namespace kvelmor::render
