// SPDX-License-Identifier: GPL-3.0-or-later
#include "effects/samples.h"

namespace kvelmor::effects {

const std::array<BuiltInSample, kBuiltInSampleCount>& builtInSamples() {
    // name, English name, commandLine, commandChar, posNo
    static constexpr std::array<BuiltInSample, kBuiltInSampleCount> kSamples{{
        // 0
        {"ステップ", "Step",
         R"t({\org(3500,0)})t",
         R"t({\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0)})t",
         false},
        // 1
        {"うねり", "Swell",
         "",
         R"t({\fs%f,\t(%s,%s,\fs[%f+10])\t(%s,%e,\fs%f)})t",
         false},
        // 2
        {"回転(縦)", "Spin (vertical)",
         R"t({\org([%W/2],%Y)})t",
         R"t({\r\bord3\frx0\t([%s-200],[%s-100],\bord5\frx-360)\t([%s+100],[%e+200],\bord3\1a&Hff&\3a&Hff&\4a&Hff&)})t",
         false},
        // 3
        {"残像", "Afterimage",
         "",
         R"t({\r\t([%s+100],[%e+200],\1a%A\3a%A\4a%A)})t",
         false},
        // 4
        {"焼き付け", "Burn in",
         "",
         R"t({\r\t([%s+200],[%e+200],\1c%C)})t",
         false},
        // 5
        {"伸縮", "Stretch",
         R"t({\fsp-200\t(0,%S,\fsp0)}{\t(%E,[%E+200],\fsp200)})t",
         "",
         false},
        // 6
        {"スライドイン/アウト", "Slide in/out",
         R"t({\org([%W/2],[%Y*100])\fsp100}{\fr-2\t(0,%S,\fr0\fsp0)\t(%E,[%E+%R],\fr2\fsp30)})t",
         "",
         false},
        // 7
        {"起きあがり", "Rise up",
         R"t({\frx90\t(0,%S,\frx0)})t",
         "",
         false},
        // 8
        {"スパイラルIN", "Spiral in",
         R"t({\org(%X,[0-%H/2+%Y])}{\move(%W,%Y,%X,%Y,0,%S)}{\fsp200\t(0,%S,\fsp0)}{\frx0\t(0,%S,\frx1800)})t",
         "",
         true},
        // 9
        {"回転IN", "Spin in",
         R"t({\org([%X*2],%Y)}{\move(%W,%Y,%X,%Y,0,%S)})t",
         R"t({\fr0\t(0,[%S/%N*%n],\fr720)})t",
         true},
        // 10
        {"伸び", "Grow",
         "",
         R"t({\r\t(%s,[%t/2+%s],\fscy130)\t([%t/2+%s],%e,\fscy100)})t",
         false},
        // 11
        {"○←、←○", "Fly in, fly out",
         "",
         R"t({\move(%W,%Y,%X,%Y,0,[%S-200])\t(%S,%S,\1a&Hff&\2a&Hff&\3a&Hff&\4a&Hff&)};{\1a&Hff&\2a&Hff&\3a&Hff&\4a&Hff&\t(%S,%S,\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\move(%X,%Y,[%X-%W],%Y,%E,[%E+400])})t",
         true},
        // 12
        {"影付ステップIN", "Step in with shadow",
         R"t({\org(3500,0)};{\org(-3500,0)})t",
         R"t({\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0\1a%A\2a%A\3a%A\4a%A)};{\bord3\fr0\t(%s,%s,\bord5\fr0.1)\t(%s,%e,\bord3\fr0)})t",
         false},
        // 13
        {"文字:集合", "Characters: gather",
         "",
         R"t({\move([%x-%X*%W/%L],-%h,%x,%y,0,%S)})t",
         true},
        // 14
        {"文字：音符", "Characters: notes",
         "",
         R"t({\r\t(%s,%s,\1a%A\2a%A\3a%A\4a%A)\move(%x,%y,%x,[%y+10],[%s-100],%s)};{\r\1a%A\2a%A\3a%A\4a%A\t(%s,%s,\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\t([%s+200],[%s+200],\1a%A\2a%A\3a%A\4a%A)\bord2\t(%s,[%s+50],\bord5)\t([%s+50],[%s+100],\bord2)\fry0\t(%s,[%s+200],\fry360)}\move(%x,[%y+10],%x,[%y-10],%s,[%s+200]);{\r\1a%A\2a%A\3a%A\4a%A\t([%s+200],[%s+200],\1a&H0&\2a&H0&\3a&H0&\4a&H0&)\move(%x,[%y-10],%x,%y,[%s+200],[%s+300])})t",
         true},
    }};
    return kSamples;
}

namespace {

char flagDigit(int16_t flag) { return flag != 0 ? '1' : '0'; }

// A flag character as read back: any digit but "0" ticks the box; anything
// else (a hand-edited or damaged entry) leaves it clear.
int16_t flagValue(std::string_view ch) {
    return ch.size() == 1 && ch[0] >= '1' && ch[0] <= '9' ? 1 : 0;
}

// Start of the UTF-8 character that ends at byte `end` (exclusive).
size_t previousCharStart(std::string_view text, size_t end) {
    size_t start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    return start;
}

// Names the "tag" section could not give back as they were.
bool storableName(std::string_view name) {
    return !name.empty() && name.find_first_of("|\r\n") == std::string_view::npos;
}

}  // namespace

std::string formatSampleEntry(const SampleEntry& entry) {
    std::string value = entry.name;
    value += flagDigit(entry.record.karaokeWipe);
    value += flagDigit(entry.record.posNo);
    value += '|';
    value += entry.record.lineTemplate;
    value += '|';
    value += entry.record.charTemplate;
    return value;
}

SampleEntry parseSampleEntry(std::string_view value) {
    SampleEntry e;
    const size_t first = value.find('|');
    if (first == std::string_view::npos) {
        e.name = std::string(value);
        return e;
    }
    const size_t last = value.rfind('|');
    // The two characters before the first "|" are the flags, KaraokeWipe then
    // posNo. Counted in characters, so a damaged entry cannot split one.
    size_t nameEnd = first;
    std::string_view flags[2];
    for (int k = 1; k >= 0 && nameEnd > 0; --k) {
        const size_t start = previousCharStart(value, nameEnd);
        flags[k] = value.substr(start, nameEnd - start);
        nameEnd = start;
    }
    e.name = std::string(value.substr(0, nameEnd));
    e.record.karaokeWipe = flagValue(flags[0]);
    e.record.posNo = flagValue(flags[1]);
    if (last > first) e.record.lineTemplate = std::string(value.substr(first + 1, last - first - 1));
    e.record.charTemplate = std::string(value.substr(last + 1));
    return e;
}

EffectSamples::EffectSamples() {
    for (const auto& b : builtInSamples()) m_entries.push_back({std::string(b.name), {}});
}

std::string EffectSamples::shownName(int position, bool english) const {
    const std::string& name = m_entries[static_cast<size_t>(position)].name;
    if (english && position < kBuiltInSampleCount) {
        const BuiltInSample& b = builtInSamples()[static_cast<size_t>(position)];
        if (name == b.name) return std::string(b.english);
    }
    return name;
}

std::vector<std::string> EffectSamples::names() const {
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries) out.push_back(e.name);
    return out;
}

int EffectSamples::find(std::string_view name) const {
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == name) return static_cast<int>(i);
    return -1;
}

bool EffectSamples::applySample(int position, settings::ConversionSettings& s) const {
    if (position < 0 || position >= count()) return false;
    if (position < kBuiltInSampleCount) {
        const BuiltInSample& b = builtInSamples()[static_cast<size_t>(position)];
        s.setText("commandLine", std::string(b.commandLine));
        s.setText("commandChar", std::string(b.commandChar));
        s.setText("KaraokeWipe", "1");
        s.setText("posNo", b.posNo ? "1" : "0");
    } else {
        const SampleRecord& r = m_entries[static_cast<size_t>(position)].record;
        s.setText("commandLine", r.lineTemplate);
        s.setText("commandChar", r.charTemplate);
        s.setText("KaraokeWipe", std::string(1, flagDigit(r.karaokeWipe)));
        s.setText("posNo", std::string(1, flagDigit(r.posNo)));
    }
    s.setText(settings::kEffectSampleField, std::to_string(position));
    return true;
}

int EffectSamples::storeSample(std::string_view shownName, const settings::ConversionOptions& o) {
    if (!storableName(shownName)) return -1;
    int position = find(shownName);
    if (position < 0) {
        m_entries.push_back({std::string(shownName), {}});
        position = count() - 1;
    }
    SampleRecord& r = m_entries[static_cast<size_t>(position)].record;
    r.lineTemplate = o.templates.line;
    r.charTemplate = o.templates.character;
    // The flags are kept with the texts, so that every entry comes back with
    // the boxes it was stored with, not with those ticked at shut-down.
    r.karaokeWipe = o.templates.karaokeWipe ? 1 : 0;
    r.posNo = o.templates.noPosition ? 1 : 0;
    return position;
}

void EffectSamples::loadSamples(const settings::IniFile& ini) {
    bool present = false;
    for (const auto& name : ini.sectionNames()) present = present || name == kSampleSection;
    if (!present) return;
    m_entries.clear();
    for (int i = 0;; ++i) {
        const auto value = ini.findValue(kSampleSection, std::to_string(i));
        if (!value) break;
        m_entries.push_back(parseSampleEntry(*value));
    }
}

bool EffectSamples::saveSamples(settings::IniFile& ini) const {
    bool ok = true;
    for (size_t i = 0; i < m_entries.size(); ++i)
        ok = ini.setValue(kSampleSection, std::to_string(i), formatSampleEntry(m_entries[i])) && ok;
    return ok;
}

}  // namespace kvelmor::effects
