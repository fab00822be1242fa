// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/freetype_measurer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <array>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "common/encoding.h"
#include "common/number_text.h"

#ifndef KVELMOR_FONTCONFIG_DIR
#define KVELMOR_FONTCONFIG_DIR ""
#endif
#ifndef KVELMOR_FONTCONFIG_INSTALLED_DIR
#define KVELMOR_FONTCONFIG_INSTALLED_DIR ""
#endif

namespace kvelmor::measure {

namespace {

constexpr const char* kAliasesFileName = "60-kvelmor-ms-aliases.conf";

struct FtLibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
using FtLibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryDeleter>;

// Frees the face and every FT_Size made for it.
struct FtFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtFacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceDeleter>;

struct FcConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using FcConfigPtr = std::unique_ptr<FcConfig, FcConfigDeleter>;

struct FcPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

struct FcFontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcFontSetDeleter>;

constexpr int kNoFace = -1;

// One opened font file face, with one FT_Size per pixel size it was used at so
// that switching sizes does not re-scale the face each time.
struct LoadedFace {
    ResolvedFace where;
    FtFacePtr face;
    std::unordered_map<int32_t, FT_Size> sizes;  // em pixels -> size object owned by face
};

// What a family name resolved to.
struct Family {
    int primary = kNoFace;       // face id of the family's own face
    FcPatternPtr pattern;        // the substituted request, for the fallback list
    FcFontSetPtr fallbacks;      // fontconfig's ordered list, made on first need
    bool fallbacksSorted = false;
    std::unordered_map<char32_t, int> drawingFace;  // character -> face id that draws it
};

struct WidthKey {
    int faceId;
    int32_t em;  // pixels
    char32_t c;
    bool operator==(const WidthKey&) const = default;
};

struct WidthKeyHash {
    size_t operator()(const WidthKey& k) const noexcept {
        uint64_t h = static_cast<uint64_t>(static_cast<uint32_t>(k.faceId));
        h = h * 0x100000001B3ULL ^ static_cast<uint32_t>(k.em);
        h = h * 0x100000001B3ULL ^ static_cast<uint32_t>(k.c);
        return std::hash<uint64_t>{}(h);
    }
};

int32_t toInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

std::optional<std::string> patternString(const FcPattern* p, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(p, object, 0, &value) != FcResultMatch || value == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(value));
}

int patternIndex(const FcPattern* p) {
    int index = 0;
    if (FcPatternGetInteger(p, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    return index;
}

// The system's configuration: fonts.conf (or $FONTCONFIG_FILE) and what it
// includes. FcInitLoadConfig would also parse every file of fontconfig's
// template folder (conf.avail, about forty XML files) only to describe them
// to fc-conflist, which costs each run more than a millisecond and changes
// no match. Without a readable fonts.conf, fontconfig's own loader and its
// built-in fallback configuration are used.
FcConfigPtr loadSystemConfig() {
    FcConfigPtr config(FcConfigCreate());
    if (config && FcConfigParseAndLoad(config.get(), nullptr, FcTrue)) return config;
    return FcConfigPtr(FcInitLoadConfig());
}

bool fileExists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

// The width of every character of one family at one em that has been asked
// for, by code point: layout measures each character of a song on every
// refresh, so nearly every width comes from here. Pages of 256 code points
// are made when first needed.
class CharWidthTable {
public:
    static constexpr char32_t kCodePoints = 0x110000;
    static constexpr int32_t kUnknown = std::numeric_limits<int32_t>::min();

    CharWidthTable(Family& family, int32_t em) : family(family), em(em) {}

    // The stored width of c (c < kCodePoints), kUnknown until it is stored.
    int32_t& at(char32_t c) {
        auto& page = m_pages[c >> 8];
        if (!page) {
            page = std::make_unique<std::array<int32_t, 256>>();
            page->fill(kUnknown);
        }
        return (*page)[c & 0xFF];
    }

    Family& family;
    const int32_t em;

private:
    std::vector<std::unique_ptr<std::array<int32_t, 256>>> m_pages{kCodePoints >> 8};
};

struct FreeTypeMeasurer::Impl {
    // Declaration order matters: faces are freed before the library.
    FtLibraryPtr library;
    FcConfigPtr config;
    std::vector<std::filesystem::path> loadedFiles;
    std::vector<LoadedFace> faces;                          // index is the face id
    std::map<std::pair<std::string, int>, int> faceIds;     // (file, index) -> face id or kNoFace
    std::unordered_map<std::string, Family> families;       // requested family name
    std::unordered_map<WidthKey, int32_t, WidthKeyHash> widths;  // pixels
    std::map<std::pair<int, int32_t>, int32_t> heights;     // (face id, em) -> pixels
    std::map<std::pair<std::string, int32_t>, CharWidthTable> widthTables;  // (family name, em)
    // The table of the last measurement, found again without a look-up.
    CharWidthTable* lastTable = nullptr;
    std::string lastFamily;

    explicit Impl(const std::vector<std::filesystem::path>& extraFiles) {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType could not be initialised");
        library.reset(lib);

        // The system's configuration first, then ours, so our aliases have the
        // last word on the names they cover whether or not the system also
        // carries them.
        config = loadSystemConfig();
        if (!config) throw std::runtime_error("fontconfig could not load its configuration");
        for (const auto& file : extraFiles) {
            if (!fileExists(file)) continue;
            const std::string name = file.string();
            if (FcConfigParseAndLoad(config.get(), reinterpret_cast<const FcChar8*>(name.c_str()), FcFalse))
                loadedFiles.push_back(file);
        }
        if (!FcConfigBuildFonts(config.get())) throw std::runtime_error("fontconfig could not list the fonts");
    }

    int openFace(const std::string& file, int index, const std::string& family) {
        const auto key = std::make_pair(file, index);
        if (auto it = faceIds.find(key); it != faceIds.end()) return it->second;
        FT_Face face = nullptr;
        int id = kNoFace;
        if (FT_New_Face(library.get(), file.c_str(), index, &face) == 0) {
            id = static_cast<int>(faces.size());
            faces.push_back(LoadedFace{{file, index, family}, FtFacePtr(face), {}});
        }
        faceIds.emplace(key, id);
        return id;
    }

    int openFromPattern(const FcPattern* p) {
        const auto file = patternString(p, FC_FILE);
        if (!file) return kNoFace;
        return openFace(*file, patternIndex(p), patternString(p, FC_FAMILY).value_or(std::string()));
    }

    Family& family(const std::string& name) {
        if (auto it = families.find(name); it != families.end()) return it->second;
        Family fam;
        FcPatternPtr pattern(FcPatternCreate());
        if (pattern) {
            if (!name.empty())
                FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
            // Bitmap-only fonts cannot be scaled to an arbitrary em.
            FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
            FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
            FcDefaultSubstitute(pattern.get());
            FcResult result = FcResultNoMatch;
            FcPatternPtr match(FcFontMatch(config.get(), pattern.get(), &result));
            if (match) fam.primary = openFromPattern(match.get());
            fam.pattern = std::move(pattern);
        }
        return families.emplace(name, std::move(fam)).first->second;
    }

    // The face that draws c: the family's face when it has a glyph, else the
    // first font of fontconfig's ordered list that has one, else the family's
    // face (its missing-glyph box).
    int drawingFace(Family& fam, char32_t c) {
        if (fam.primary == kNoFace) return kNoFace;
        if (auto it = fam.drawingFace.find(c); it != fam.drawingFace.end()) return it->second;
        int chosen = fam.primary;
        if (FT_Get_Char_Index(faces[fam.primary].face.get(), c) == 0) {
            if (!fam.fallbacksSorted) {
                fam.fallbacksSorted = true;
                FcResult result = FcResultNoMatch;
                if (fam.pattern)
                    fam.fallbacks.reset(FcFontSort(config.get(), fam.pattern.get(), FcTrue, nullptr, &result));
            }
            if (fam.fallbacks) {
                for (int i = 0; i < fam.fallbacks->nfont; ++i) {
                    const FcPattern* p = fam.fallbacks->fonts[i];
                    FcCharSet* charset = nullptr;
                    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &charset) != FcResultMatch ||
                        !FcCharSetHasChar(charset, c))
                        continue;
                    const int id = openFromPattern(p);
                    if (id != kNoFace && FT_Get_Char_Index(faces[id].face.get(), c) != 0) {
                        chosen = id;
                        break;
                    }
                }
            }
        }
        fam.drawingFace.emplace(c, chosen);
        return chosen;
    }

    bool activateSize(LoadedFace& lf, int32_t em) {
        if (auto it = lf.sizes.find(em); it != lf.sizes.end()) {
            if (lf.face->size != it->second) FT_Activate_Size(it->second);
            return true;
        }
        FT_Size size = nullptr;
        if (FT_New_Size(lf.face.get(), &size) != 0) return false;
        FT_Activate_Size(size);
        if (FT_Set_Pixel_Sizes(lf.face.get(), 0, static_cast<FT_UInt>(em)) != 0) {
            FT_Done_Size(size);
            return false;
        }
        lf.sizes.emplace(em, size);
        return true;
    }

    // Whole-pixel hinted advance of one character, no kerning.
    CharWidthTable& widthTable(const std::string& name, int32_t em) {
        if (lastTable != nullptr && lastTable->em == em && lastFamily == name) return *lastTable;
        auto it = widthTables.find({name, em});
        if (it == widthTables.end())
            it = widthTables.emplace(std::piecewise_construct, std::forward_as_tuple(name, em),
                                     std::forward_as_tuple(family(name), em))
                     .first;
        lastTable = &it->second;
        lastFamily = name;
        return it->second;
    }

    // Width of c in the table's family and em: the drawing face's advance.
    int32_t tableWidth(CharWidthTable& table, char32_t c) {
        if (c >= CharWidthTable::kCodePoints) return measuredWidth(table.family, table.em, c);
        int32_t& w = table.at(c);
        if (w == CharWidthTable::kUnknown) w = measuredWidth(table.family, table.em, c);
        return w;
    }

    int32_t measuredWidth(Family& fam, int32_t em, char32_t c) {
        const int id = drawingFace(fam, c);
        return id == kNoFace ? 0 : charWidth(id, em, c);
    }

    int32_t charWidth(int faceId, int32_t em, char32_t c) {
        const WidthKey key{faceId, em, c};
        if (auto it = widths.find(key); it != widths.end()) return it->second;
        int32_t width = 0;
        LoadedFace& lf = faces[faceId];
        if (activateSize(lf, em)) {
            const FT_UInt glyph = FT_Get_Char_Index(lf.face.get(), c);
            if (FT_Load_Glyph(lf.face.get(), glyph, FT_LOAD_DEFAULT) == 0) {
                // 26.6 fixed point; hinting already makes it whole pixels, the
                // rounding covers faces that are not hinted.
                width = toInt32((static_cast<int64_t>(lf.face->glyph->advance.x) + 32) >> 6);
            }
        }
        widths.emplace(key, width);
        return width;
    }

    // The face's ascent and descent in font units (the Windows metrics when
    // the face has them) and its units per em; false for a bitmap strike.
    bool designCell(int faceId, double& ascent, double& descent, double& unitsPerEm) {
        FT_Face face = faces[faceId].face.get();
        if (face->units_per_EM == 0) return false;
        ascent = face->ascender;     // font units
        descent = -face->descender;  // font units, positive below the baseline
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 != nullptr && os2->version != 0xFFFF) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
        }
        unitsPerEm = face->units_per_EM;
        return true;
    }

    int32_t height(int faceId, int32_t em) {
        const auto key = std::make_pair(faceId, em);
        if (auto it = heights.find(key); it != heights.end()) return it->second;
        LoadedFace& lf = faces[faceId];
        FT_Face face = lf.face.get();
        int32_t h = 0;
        double ascent = 0, descent = 0, unitsPerEm = 0;
        if (designCell(faceId, ascent, descent, unitsPerEm)) {
            const double scale = static_cast<double>(em) / unitsPerEm;
            h = toInt32(roundHalfEven(ascent * scale) + roundHalfEven(descent * scale));
        } else if (activateSize(lf, em)) {
            // No design units (bitmap strike): the size's metrics are 26.6 pixels.
            h = toInt32((static_cast<int64_t>(face->size->metrics.ascender) + 32) / 64 +
                        (static_cast<int64_t>(-face->size->metrics.descender) + 32) / 64);
        }
        heights.emplace(key, h);
        return h;
    }
};

FreeTypeMeasurer::FreeTypeMeasurer() {
    for (const auto& file : defaultConfigFiles()) {
        if (fileExists(file)) {
            m_impl = std::make_unique<Impl>(std::vector<std::filesystem::path>{file});
            return;
        }
    }
    m_impl = std::make_unique<Impl>(std::vector<std::filesystem::path>{});
}

FreeTypeMeasurer::FreeTypeMeasurer(const std::vector<std::filesystem::path>& extraConfigFiles)
    : m_impl(std::make_unique<Impl>(extraConfigFiles)) {}

FreeTypeMeasurer::~FreeTypeMeasurer() = default;
FreeTypeMeasurer::FreeTypeMeasurer(FreeTypeMeasurer&&) noexcept = default;
FreeTypeMeasurer& FreeTypeMeasurer::operator=(FreeTypeMeasurer&&) noexcept = default;

int32_t FreeTypeMeasurer::advanceWidth(const std::string& face, int32_t pointSize, std::string_view utf8) {
    const int32_t em = emPixels(pointSize);
    if (em < 1 || utf8.empty()) return 0;
    CharWidthTable& table = m_impl->widthTable(face, em);
    int64_t sum = 0;
    for (size_t i = 0, len = 0; i < utf8.size(); i += len) sum += m_impl->tableWidth(table, decodeUtf8At(utf8, i, len));
    return toInt32(sum);
}

int32_t FreeTypeMeasurer::cellHeight(const std::string& face, int32_t pointSize) {
    const int32_t em = emPixels(pointSize);
    if (em < 1) return 0;
    const Family& fam = m_impl->family(face);
    if (fam.primary == kNoFace) return 0;
    return m_impl->height(fam.primary, em);
}

double FreeTypeMeasurer::exactCellHeight(const std::string& face, int32_t pointSize) {
    const int32_t em = emPixels(pointSize);
    if (em < 1) return 0;
    const Family& fam = m_impl->family(face);
    if (fam.primary == kNoFace) return 0;
    double ascent = 0, descent = 0, unitsPerEm = 0;
    if (!m_impl->designCell(fam.primary, ascent, descent, unitsPerEm)) return m_impl->height(fam.primary, em);
    return (ascent + descent) * em / unitsPerEm;
}

std::optional<ResolvedFace> FreeTypeMeasurer::resolveFace(const std::string& face) {
    const Family& fam = m_impl->family(face);
    if (fam.primary == kNoFace) return std::nullopt;
    return m_impl->faces[fam.primary].where;
}

std::optional<ResolvedFace> FreeTypeMeasurer::faceForChar(const std::string& face, char32_t c) {
    const int id = m_impl->drawingFace(m_impl->family(face), c);
    if (id == kNoFace) return std::nullopt;
    return m_impl->faces[id].where;
}

const std::vector<std::filesystem::path>& FreeTypeMeasurer::loadedConfigFiles() const {
    return m_impl->loadedFiles;
}

std::vector<std::filesystem::path> FreeTypeMeasurer::defaultConfigFiles() {
    std::vector<std::filesystem::path> files;
    for (const std::string_view dir : {std::string_view(KVELMOR_FONTCONFIG_DIR),
                                       std::string_view(KVELMOR_FONTCONFIG_INSTALLED_DIR),
                                       std::string_view("/etc/fonts/conf.d")}) {
        if (!dir.empty()) files.push_back(std::filesystem::path(dir) / kAliasesFileName);
    }
    return files;
}

}  // namespace kvelmor::measure
