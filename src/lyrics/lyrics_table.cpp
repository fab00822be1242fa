// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/lyrics_table.h"

#include <algorithm>

namespace kvelmor::lyrics {

bool LyricLine::appendUnit(LyricUnit u) {
    if (unitCount >= kMaxSlots) return false;
    units.resize(static_cast<size_t>(unitCount) + 1);
    units.push_back(std::move(u));
    ++unitCount;
    return true;
}

SlotTexts LyricLine::texts(int k) const {
    const auto i = static_cast<size_t>(k);
    if (k < 0 || i >= m_textSpans.size()) return {};
    const std::string_view all = m_textStore;
    const SlotTextSpans& s = m_textSpans[i];
    return {all.substr(s.pre.offset, s.pre.size), all.substr(s.post.offset, s.post.size),
            all.substr(s.ruby2.offset, s.ruby2.size)};
}

void LyricLine::clearTexts() {
    m_textStore.clear();
    m_textSpans.clear();
}

LyricLine::SlotTextSpans& LyricLine::spans(int k) {
    const auto i = static_cast<size_t>(std::max(k, 0));
    if (i >= m_textSpans.size()) m_textSpans.resize(i + 1);
    return m_textSpans[i];
}

TextSpan LyricLine::store(std::string_view part1, std::string_view part2) {
    // A line's texts are far below 4 GB; the offsets are kept in 32 bits so
    // that a slot's three spans stay small.
    const TextSpan span{static_cast<uint32_t>(m_textStore.size()),
                        static_cast<uint32_t>(part1.size() + part2.size())};
    m_textStore += part1;
    m_textStore += part2;
    return span;
}

void LyricLine::setPreText(int k, std::string_view part1, std::string_view part2) {
    spans(k).pre = store(part1, part2);
}

void LyricLine::setPostText(int k, std::string_view part1, std::string_view part2) {
    spans(k).post = store(part1, part2);
}

void LyricLine::setRubyText2(int k, std::string_view text) { spans(k).ruby2 = store(text, {}); }

LyricLine& LineTable::appendLine() {
    m_lines.emplace_back();
    return m_lines.back();
}

void LineTable::recycle() {
    for (size_t i = 1; i < m_lines.size(); ++i) {
        std::vector<LyricUnit>& units = m_lines[i].units;
        if (units.capacity() > 1) m_spareUnits.push_back(std::move(units));
    }
    reset();
}

std::vector<LyricUnit> LineTable::takeSpareUnits() {
    if (m_spareUnits.empty()) return {};
    std::vector<LyricUnit> units = std::move(m_spareUnits.back());
    m_spareUnits.pop_back();
    return units;
}

namespace {
// The fields of LyricUnit as blankUnit knows them, so that a field added to
// LyricUnit and forgotten in blankUnit stops the build (unless it fits in
// padding; the unit tests compare a blanked slot with a new one too).
struct KnownUnitFields {
    std::string text;
    int32_t width, time, rawTime, duration;
    RubyHolder rubyHolder;
    bool isChar, cellMark;
};
}  // namespace

void blankUnit(LyricUnit& u) {
    static_assert(sizeof(LyricUnit) == sizeof(KnownUnitFields), "LyricUnit changed: give blankUnit its new fields");
    u.text.clear();
    u.width = 0;
    u.time = 0;
    u.rawTime = 0;
    u.duration = 0;
    u.rubyHolder.clear();
    u.isChar = false;
    u.cellMark = false;
}

UnitListBuilder::UnitListBuilder(std::vector<LyricUnit> storage) : m_units(std::move(storage)) {
    if (m_units.empty()) m_units.emplace_back();
    else blankUnit(m_units[0]);
}

LyricUnit& UnitListBuilder::next() {
    if (m_used < m_units.size()) {
        LyricUnit& u = m_units[m_used++];
        blankUnit(u);
        return u;
    }
    ++m_used;
    return m_units.emplace_back();
}

std::vector<LyricUnit> UnitListBuilder::take() {
    m_units.resize(m_used);
    m_used = 1;
    return std::move(m_units);
}

void Song::reset() {
    readLines.reset();
    workLines.reset();
    rubyState = kNoRuby;
    songInfo = SongInfo{};
    timeCorrection.reset();
}

}  // namespace kvelmor::lyrics
