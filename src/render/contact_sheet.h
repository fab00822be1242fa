#pragma once
// Several frames on one picture, each with a caption (its time) under it.

#include <string>
#include <vector>

#include "render/frame_renderer.h"
#include "render/image.h"

namespace kvelmor::render {

// The frames in rows of up to three, or of ceil(sqrt(n)) for more, in the given
// order, with `captions[i]` centred under frame i. The frames all take the
// size of the first. The captions are drawn by `renderer`, whose script is
// replaced.
Image contactSheet(const std::vector<Image>& frames, const std::vector<std::string>& captions,
                   FrameRenderer& renderer);

}  // namespace kvelmor::render
