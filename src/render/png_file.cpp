// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/png_file.h"

#include <png.h>

#include <cstring>

namespace kvelmor::render {
namespace {

png_image pngHeader(const Image& image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    return png;
}

}  // namespace

std::string encodePng(const Image& image) {
    if (image.empty()) return {};
    png_image png = pngHeader(image);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.rgba.data(), 0, nullptr)) return {};
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgba.data(), 0, nullptr)) return {};
    bytes.resize(size);
    return bytes;
}

FileResult writePng(const std::string& path, const Image& image) {
    const std::string bytes = encodePng(image);
    if (bytes.empty()) return {false, "the picture could not be encoded as PNG"};
    return writeFileAtomically(path, bytes);
}

std::optional<Image> decodePng(std::string_view bytes) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
    png.format = PNG_FORMAT_RGBA;
    Image image(static_cast<int>(png.width), static_cast<int>(png.height));
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

}  // namespace kvelmor::render
