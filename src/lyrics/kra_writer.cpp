// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/kra_writer.h"

#include <algorithm>

#include "common/encoding.h"
#include "common/file_io.h"
#include "common/number_text.h"
#include "lyrics/time_value.h"

namespace kvelmor::lyrics {
namespace {

std::string tagText(Centiseconds t) { return "[" + formatTagTime(t) + "]"; }

}  // namespace

Centiseconds interpolateTime(const LyricLine& line, int x) {
    const int count = line.unitCount;
    int k = 0;
    for (int i = std::min(x, count + 1) - 1; i >= 1; --i) {
        if (!line.unit(i).isChar) {
            k = i;
            break;
        }
    }
    int m = 0;
    int d = 0;
    for (int i = k + 1; i <= count; ++i) {
        if (!line.unit(i).isChar) {
            m = i;
            break;
        }
        ++d;
    }
    if (k == 0) return m == 0 ? 0 : line.unit(m).rawTime;
    if (m == 0 || d == 0) return line.unit(k).rawTime;
    int n = 0;
    for (int i = k + 1; i <= x - 1 && i <= count; ++i)
        if (line.unit(i).isChar) ++n;
    const int64_t diff = static_cast<int64_t>(line.unit(m).rawTime) - line.unit(k).rawTime;
    const int64_t step = roundHalfEven(static_cast<double>(diff) / d);
    return static_cast<Centiseconds>(line.unit(k).rawTime + n * step);
}

namespace {

// A reading with the tags written inside it back in their places.
std::string timedReading(const SlotRuby& r) {
    std::string out;
    size_t from = 0;
    for (const RubyBeat& b : r.beats) {
        if (b.offset < from || b.offset > r.ruby.size()) continue;
        out.append(r.ruby, from, b.offset - from);
        out += tagText(b.rawTime);
        from = b.offset;
    }
    out.append(r.ruby, from);
    return out;
}

}  // namespace

std::string serializeLine(const LyricLine& line) {
    std::string o;  // output
    std::string P;  // pending ruby part: tb "(" tb reading
    int s = 0;      // span of the pending ruby
    int q = -1;     // base characters seen so far
    std::string g;  // last tag text
    for (int a = 1; a <= line.unitCount; ++a) {
        const LyricUnit& u = line.unit(a);
        const SlotRuby& r = u.rubyFields();
        if (u.isChar) {
            if (q == s) {  // the base run was completed by characters alone
                g = tagText(interpolateTime(line, a));
                o += P + g + ")" + g;
                P.clear();
                s = r.rubySpan;
            }
            if (!r.ruby.empty()) {
                s = std::max(r.rubySpan, 1);
                if (line.unit(a - 1).isChar || g.empty()) {
                    g = tagText(interpolateTime(line, a));
                    o += g;  // a tag where the base starts
                }
                P = g + "(" + g + timedReading(r);
                q = 1;
            } else if (s != 0) {
                ++q;
            }
            o += u.text;
        } else {
            g = tagText(u.rawTime);
            if (P.empty()) {
                o += g;
            } else if (q == s) {
                o += P + g + ")" + g;
                P.clear();
                s = 0;
                q = -1;
            }
            // otherwise the tag lies inside a ruby base and is not written
        }
    }
    return o;
}

std::string kraPathFor(const std::string& lyricsPath) {
    const size_t nameStart = lyricsPath.find_last_of('/');
    const size_t dot = lyricsPath.find_last_of('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
        return lyricsPath + ".kra";
    return lyricsPath.substr(0, dot + 1) + "kra";
}

int firstKraLineOverSlots(std::string_view kraText) {
    int lineNumber = 0;
    for (size_t start = 0; start < kraText.size();) {
        size_t end = kraText.find('\n', start);
        if (end == std::string_view::npos) end = kraText.size();
        const std::string_view line = kraText.substr(start, end - start);
        ++lineNumber;
        start = end + 1;
        if (!line.empty() && line.front() == '@') continue;  // a header line holds no slots
        int slots = 0;
        for (size_t p = 0, len = 0; p < line.size(); p += len) {
            if (timeTagAt(line, p)) {
                len = 10;  // "[mm:ss:cc]"
            } else {
                decodeUtf8At(line, p, len);
                if (len == 0) len = 1;
                if (line[p] == '\r') continue;
            }
            if (++slots > kMaxSlots) return lineNumber;
        }
    }
    return 0;
}

std::string kraFileText(const Song& song) {
    std::string out;
    auto line = [&out](const std::string& text) { out += text + "\r\n"; };
    for (int i = 1; i <= song.lineCount(); ++i) line(serializeLine(song.workLines[i]));
    const SongInfo& info = song.songInfo;
    line("@title=" + info.title);
    line("@subtitle=" + info.subtitle);
    line("@album=" + info.album);
    line("@artist=" + info.artist);
    line("@lyrics=" + info.lyrics);
    line("@compose=" + info.compose);
    line("@arrange=" + info.arrange);
    line("@year=" + info.year);
    line("@taggedby=Kvelmor");
    return out;
}

KraWriteResult writeKraFile(const Song& song, Reporter& reporter) {
    if (song.lyricsPath.empty()) return {};
    return writeKraFile(song, kraPathFor(song.lyricsPath), reporter);
}

KraWriteResult writeKraFile(const Song& song, const std::string& path, Reporter& reporter) {
    KraWriteResult result;
    result.path = path;
    const std::string text = kraFileText(song);
    const std::string bytes = encodeForReadBack(text, &result.encoding);
    FileResult w = writeFileAtomically(result.path, bytes);
    if (!w.ok) {
        reporter.error("cannot write the karaoke tag file " + result.path + ": " + w.error, result.path);
        return result;
    }
    result.written = true;
    return result;
}

}  // namespace kvelmor::lyrics
