// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Effect samples: the named template sets offered by the list `TagSample`.
// Choosing a sample fills `commandLine`, `commandChar`, `KaraokeWipe` and
// `posNo`; the user may edit the texts and keep them under a name of their
// own. The list survives restarts in section "tag" of the settings file.
//
// The first fifteen entries are built in: choosing one of them always applies
// its fixed texts, whatever the store holds for that entry.
//
// Section "tag": key "0", "1", ... in list order, each value
//   name + KaraokeWipe digit + posNo digit + "|" + line template + "|" + character template
// Read back, the two characters before the first "|" are the digits and the
// name is what precedes them; the line template lies between the first and
// the last "|" and the character template follows the last "|". So a line template may hold "|", a character template
// may not: it comes back cut at its last "|". This keeps files of earlier
// versions readable and ours readable by them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/conversion_options.h"
#include "settings/ini_store.h"

namespace kvelmor::effects {

inline constexpr std::string_view kSampleSection = "tag";

struct BuiltInSample {
    std::string_view name;
    std::string_view english;      // the name in the window in English and in `kvelmor fields`
    std::string_view commandLine;  // line template; empty clears the field
    std::string_view commandChar;  // syllable and character template
    bool posNo;                    // no position of the writer's own; KaraokeWipe is always ticked
};

inline constexpr int kBuiltInSampleCount = 15;

// The built-in samples in list order.
const std::array<BuiltInSample, kBuiltInSampleCount>& builtInSamples();

// The store record of one list entry.
struct SampleRecord {
    std::string lineTemplate;  // commandLine
    std::string charTemplate;  // commandChar
    int16_t karaokeWipe = 0;   // KaraokeWipe, 0 or 1
    int16_t posNo = 0;         // posNo, 0 or 1
    bool operator==(const SampleRecord&) const = default;
};

struct SampleEntry {
    std::string name;
    SampleRecord record;
    bool operator==(const SampleEntry&) const = default;
};

// One value of section "tag", and back. Reading never fails: a value without
// "|" is all name, with empty templates and both flags 0.
std::string formatSampleEntry(const SampleEntry& entry);
SampleEntry parseSampleEntry(std::string_view value);

// The list `TagSample` and its store records, one per entry.
class EffectSamples {
public:
    // The list as the window starts: the built-in names, with empty records.
    EffectSamples();

    int count() const { return static_cast<int>(m_entries.size()); }
    const SampleEntry& entry(int position) const { return m_entries.at(static_cast<size_t>(position)); }
    std::vector<std::string> names() const;
    // The name of entry `position` (0-based) as a list shows it: a built-in
    // sample that keeps its own name by its English name in English; the
    // stored name otherwise.
    std::string shownName(int position, bool english) const;
    // Position of the entry whose name equals `name` exactly, or -1.
    int find(std::string_view name) const;

    // The list's click: positions 0 to 14 apply the built-in texts with
    // KaraokeWipe ticked and the built-in posNo; later positions apply their
    // record. Also selects the position in `TagSample`. False, with nothing
    // changed, for a position that is not in the list. The sample is written
    // into the value store, as a click on the list writes the window's fields.
    bool applySample(int position, settings::ConversionSettings& s) const;

    // Keeps the current templates, KaraokeWipe and posNo under
    // the name shown in the list's text field: in the entry of that name, or
    // in a new entry appended to the list. Returns the entry's position, or
    // -1 when the name cannot be kept (empty, or holding "|" or a line break,
    // which the "tag" section could not read back).
    int storeSample(std::string_view shownName, const settings::ConversionOptions& o);

    // Start-up: when the store has a section "tag", the list is replaced by its
    // entries, keys "0", "1", ... up to the first missing key (so a section
    // without key "0" leaves the list empty). Without the section the list
    // stays as it is.
    void loadSamples(const settings::IniFile& ini);

    // Shut-down: writes every entry as key "0", "1", ... of section "tag".
    // False when the store refused a value (it reports why).
    bool saveSamples(settings::IniFile& ini) const;

private:
    std::vector<SampleEntry> m_entries;
};

}  // namespace kvelmor::effects
