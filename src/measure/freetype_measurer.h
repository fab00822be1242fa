// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text measurement with FreeType in the fonts fontconfig picks for a family
// name, the way subtitle renderers pick them, so that widths computed here are
// the widths the script will be drawn with.
//
// Not thread-safe: one instance belongs to one thread (the UI thread, or the
// command line's only thread). Instances share nothing, so separate threads
// may each own one.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/text_measure.h"

namespace kvelmor::measure {

// A font file fontconfig chose.
struct ResolvedFace {
    std::string file;    // path of the font file
    int32_t index = 0;   // face index inside the file (collections)
    std::string family;  // the face's own family name, e.g. "IPAPGothic"
};

class FreeTypeMeasurer final : public TextMeasurer {
public:
    // Both constructors throw std::runtime_error when FreeType or fontconfig
    // cannot start; a configuration file that is missing is skipped.
    //
    // Uses the system's fontconfig configuration plus the first of
    // defaultConfigFiles() that exists (the aliases of the Windows Japanese
    // face names).
    FreeTypeMeasurer();
    // Uses the system's configuration plus each of these files that exists.
    explicit FreeTypeMeasurer(const std::vector<std::filesystem::path>& extraConfigFiles);
    ~FreeTypeMeasurer() override;
    FreeTypeMeasurer(const FreeTypeMeasurer&) = delete;
    FreeTypeMeasurer& operator=(const FreeTypeMeasurer&) = delete;
    FreeTypeMeasurer(FreeTypeMeasurer&&) noexcept;
    FreeTypeMeasurer& operator=(FreeTypeMeasurer&&) noexcept;

    // Pixels. Each character takes its advance from the first face that has
    // it: the family's own face, else the next font fontconfig offers for that
    // character; a character no font has takes the family face's missing-glyph
    // box. 0 when no font can be opened at all or the size is below 1 pt.
    int32_t advanceWidth(const std::string& face, int32_t pointSize, std::string_view utf8) override;
    // Pixels: usWinAscent and usWinDescent of the family's face, each scaled
    // to the em and rounded half to even, added (ascender and descender when
    // the face has no OS/2 table). 0 when no font can be opened.
    int32_t cellHeight(const std::string& face, int32_t pointSize) override;
    double exactCellHeight(const std::string& face, int32_t pointSize) override;

    // The face a family name resolves to; nothing when fontconfig offers no
    // font that FreeType can open.
    std::optional<ResolvedFace> resolveFace(const std::string& face);
    // The face that draws one character of text set in the family.
    std::optional<ResolvedFace> faceForChar(const std::string& face, char32_t c);

    // Configuration files loaded on top of the system's, in load order.
    const std::vector<std::filesystem::path>& loadedConfigFiles() const;

    // Where the aliases file is looked for: the source tree this program was
    // built from, the installed data folder, the system's fontconfig folder.
    static std::vector<std::filesystem::path> defaultConfigFiles();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace kvelmor::measure
