// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Several frames on one picture, each with a caption (its time) under it.

#include <cstdint>
#include <string>
#include <vector>

#include "render/frame_renderer.h"
#include "render/image.h"

namespace kvelmor::render {

// The most a contact sheet holds: more frames are too small to tell apart
// on any screen, and a larger picture takes gigabytes of memory to draw
// (4 bytes a pixel, for the frames and again for the sheet). 256
// megapixels (2^28) still allow one frame of the largest frame size.
inline constexpr int kMaxSheetFrames = 400;
inline constexpr int64_t kMaxSheetPixels = int64_t{1} << 28;

struct SheetSize {
    int64_t width = 0;
    int64_t height = 0;
};
// The size of the sheet of `count` frames of `width` × `height` pixels.
SheetSize contactSheetSize(int64_t count, int64_t width, int64_t height);

// Why no sheet of `count` frames of that size is drawn, naming the limits;
// empty when it is.
std::string contactSheetRefusal(int64_t count, int64_t width, int64_t height);

// The frames in rows of up to three, or of ceil(sqrt(n)) for more, in the given
// order, with `captions[i]` centred under frame i. The frames all take the
// size of the first. The captions are drawn by `renderer`, whose script is
// replaced.
Image contactSheet(const std::vector<Image>& frames, const std::vector<std::string>& captions,
                   FrameRenderer& renderer);

}  // namespace kvelmor::render
