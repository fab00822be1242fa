// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PNG files of frames, through libpng.

#include <optional>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "render/image.h"

namespace kvelmor::render {

// The image as PNG bytes (8-bit RGBA); empty when libpng refuses it.
std::string encodePng(const Image& image);
// Writes the image to `path` whole or not at all (a temporary file renamed
// into place), so a failed write leaves whatever was there.
FileResult writePng(const std::string& path, const Image& image);
// PNG bytes read back as RGBA; nothing when they are not a PNG libpng reads.
std::optional<Image> decodePng(std::string_view bytes);

}  // namespace kvelmor::render
