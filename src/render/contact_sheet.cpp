// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/contact_sheet.h"

#include <algorithm>
#include <cmath>

namespace kvelmor::render {
namespace {

constexpr int kGap = 8;                       // pixels between and around the frames
constexpr Colour kSheetColour{40, 40, 40};    // behind the frames and the captions

std::string captionScript(int width, int height, int fontSize, const std::vector<std::pair<int, int>>& where,
                          const std::vector<std::string>& captions) {
    std::string s = "[Script Info]\r\nScriptType: v4.00+\r\nPlayResX: " + std::to_string(width) +
                    "\r\nPlayResY: " + std::to_string(height) + "\r\nWrapStyle: 2\r\n\r\n[V4+ Styles]\r\n";
    s += "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
         "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
         "MarginL, MarginR, MarginV, Encoding\r\n";
    s += "Style: Caption,sans-serif," + std::to_string(fontSize) +
         ",&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,0,0,8,0,0,0,1\r\n\r\n";
    s += "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
    for (size_t i = 0; i < captions.size() && i < where.size(); ++i) {
        std::string text = captions[i];
        std::replace(text.begin(), text.end(), '\n', ' ');
        s += "Dialogue: 0,0:00:00.00,0:00:01.00,Caption,,0,0,0,,{\\pos(" + std::to_string(where[i].first) + "," +
             std::to_string(where[i].second) + ")}" + text + "\r\n";
    }
    return s;
}

int64_t columnsFor(int64_t n) {
    return n <= 3 ? n : static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(n))));
}

int64_t captionBand(int64_t frameHeight) { return std::max<int64_t>(24, frameHeight / 12); }

}  // namespace

SheetSize contactSheetSize(int64_t n, int64_t w, int64_t h) {
    if (n <= 0) return {};
    const int64_t columns = columnsFor(n);
    const int64_t rows = (n + columns - 1) / columns;
    return {columns * w + (columns + 1) * kGap, rows * (h + captionBand(h)) + (rows + 1) * kGap};
}

std::string contactSheetRefusal(int64_t n, int64_t w, int64_t h) {
    const SheetSize size = contactSheetSize(n, w, h);
    const int64_t pixels = size.width * size.height;
    if (n <= kMaxSheetFrames && pixels <= kMaxSheetPixels) return {};
    return "a contact sheet holds at most " + std::to_string(kMaxSheetFrames) + " frames and " +
           std::to_string(kMaxSheetPixels >> 20) + " megapixels; " + std::to_string(n) + " frames of " +
           std::to_string(w) + "x" + std::to_string(h) + " would make " + std::to_string(size.width) + "x" +
           std::to_string(size.height) + " (" + std::to_string(pixels >> 20) + " megapixels)";
}

Image contactSheet(const std::vector<Image>& frames, const std::vector<std::string>& captions,
                   FrameRenderer& renderer) {
    if (frames.empty()) return {};
    const int n = static_cast<int>(frames.size());
    const int w = frames.front().width, h = frames.front().height;
    const int columns = static_cast<int>(columnsFor(n));
    const int band = static_cast<int>(captionBand(h));  // pixels of caption under each frame
    const SheetSize size = contactSheetSize(n, w, h);
    Image sheet(static_cast<int>(size.width), static_cast<int>(size.height), kSheetColour);
    std::vector<std::pair<int, int>> where;  // top centre of each caption
    for (int i = 0; i < n; ++i) {
        const int x = kGap + (i % columns) * (w + kGap);
        const int y = kGap + (i / columns) * (h + band + kGap);
        sheet.paste(frames[static_cast<size_t>(i)], x, y);
        where.emplace_back(x + w / 2, y + h + band / 8);
    }
    renderer.setScript(captionScript(sheet.width, sheet.height, band * 3 / 4, where, captions));
    renderer.drawOver(sheet, 0);
    return sheet;
}

}  // namespace kvelmor::render
