// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kvelmor {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts as much as it can; returns the number of input bytes consumed
    // and appends the output. Stops at the first invalid or incomplete input.
    size_t convert(std::string_view in, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char buf[4096];
        while (inLeft > 0) {
            char* outPtr = buf;
            size_t outLeft = sizeof buf;
            size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buf, static_cast<size_t>(outPtr - buf));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
        }
        return in.size() - inLeft;
    }

private:
    iconv_t m_cd;
};

// Counts line ends incrementally, so a file full of bad bytes stays linear.
class LineCounter {
public:
    explicit LineCounter(std::string_view bytes) : m_bytes(bytes) {}
    int lineAt(size_t offset) {
        for (; m_pos < offset && m_pos < m_bytes.size(); ++m_pos) {
            char c = m_bytes[m_pos];
            if (c == '\n' || (c == '\r' && (m_pos + 1 >= m_bytes.size() || m_bytes[m_pos + 1] != '\n')))
                ++m_line;
        }
        return m_line;
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
    int m_line = 1;
};

void addBadLine(std::vector<int>& lines, int line) {
    if (lines.empty() || lines.back() != line) lines.push_back(line);
}

// Length of the valid UTF-8 sequence at s[i], or 0 when the byte there
// starts none.
size_t validSequenceAt(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    const size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    return isValidUtf8(s.substr(i, len)) ? len : 0;
}

// UTF-8 checked here rather than by iconv: glibc's takes five- and six-byte
// sequences for UTF-8 and passes them on, so the text would not be UTF-8.
// Each byte that starts no valid character becomes U+FFFD and its line is noted.
DecodedText decodeUtf8(std::string_view bytes, TextEncoding enc) {
    DecodedText out;
    out.encoding = enc;
    LineCounter lines(bytes);
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = validSequenceAt(bytes, i);
        if (len > 0) {
            out.utf8.append(bytes.substr(i, len));
            i += len;
        } else {
            addBadLine(out.badLines, lines.lineAt(i));
            out.utf8 += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// Decodes with iconv; each undecodable byte becomes U+FFFD and its line is noted.
// Line numbers are counted on the source bytes, which works for CP932 because
// CR and LF never appear inside a double-byte character.
DecodedText decodeWith(const char* from, std::string_view bytes, TextEncoding enc, size_t unitSize) {
    DecodedText out;
    out.encoding = enc;
    LineCounter lines(bytes);
    Iconv cv("UTF-8", from);
    size_t pos = 0;
    while (pos < bytes.size()) {
        pos += cv.convert(bytes.substr(pos), out.utf8);
        if (pos >= bytes.size()) break;
        if (unitSize == 1) {
            addBadLine(out.badLines, lines.lineAt(pos));
        } else {
            // UTF-16: count the line ends decoded so far.
            LineCounter decoded(out.utf8);
            addBadLine(out.badLines, decoded.lineAt(out.utf8.size()));
        }
        out.utf8 += "\xEF\xBF\xBD";
        pos += std::min(unitSize, bytes.size() - pos);
    }
    return out;
}

// Valid multi-byte UTF-8 characters, and bytes that start no valid
// character, in a text.
struct Utf8Count {
    size_t multiByte = 0;
    size_t bad = 0;
};

Utf8Count countUtf8(std::string_view bytes) {
    Utf8Count c;
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = validSequenceAt(bytes, i);
        if (len == 0) {
            ++c.bad;
            ++i;
        } else {
            c.multiByte += len > 1;
            i += len;
        }
    }
    return c;
}

// UTF-8 with a few damaged bytes: at least four valid multi-byte characters
// for each bad byte. CP932 text almost never forms valid UTF-8 sequences, so
// it stays far below that.
bool damagedUtf8(const Utf8Count& c) { return c.multiByte > 0 && c.multiByte >= 4 * c.bad; }

void appendWithoutBadBytes(std::string_view bytes, std::string& out) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = validSequenceAt(bytes, i);
        if (len > 0) out.append(bytes.substr(i, len));
        i += len > 0 ? len : 1;
    }
}

// A time tag "[mm:ss:cc]" of ASCII digits at bytes[i].
bool timeTagAt(std::string_view s, size_t i) {
    if (i + 10 > s.size() || s[i] != '[' || s[i + 3] != ':' || s[i + 6] != ':' || s[i + 9] != ']') return false;
    for (size_t k : {1, 2, 4, 5, 7, 8})
        if (s[i + k] < '0' || s[i + k] > '9') return false;
    return true;
}

// What appendCp932Line read: the characters beyond ASCII it decoded and
// the bytes it could not.
struct Cp932Count {
    size_t multiByte = 0;
    size_t bad = 0;
};

// One line (without its line end) as CP932, appended to `out`. The text
// between time tags is converted piece by piece and the tags copied as they
// are, so a stray byte before a tag cannot take its "[" as the second byte
// of a double-byte character (a "[" is one in CP932: "ー" is 81 5B). A byte
// that does not decode becomes U+FFFD, and is appended to `badBytes` when given.
Cp932Count appendCp932Line(Iconv& cv, std::string_view line, std::string& out, std::string* badBytes = nullptr) {
    Cp932Count count;
    auto piece = [&](std::string_view p) {
        for (size_t pos = 0; pos < p.size();) {
            const size_t before = out.size();
            pos += cv.convert(p.substr(pos), out);
            for (size_t i = before; i < out.size(); ++i) count.multiByte += static_cast<unsigned char>(out[i]) >= 0xC0;
            if (pos >= p.size()) break;
            ++count.bad;
            out += "\xEF\xBF\xBD";
            if (badBytes) *badBytes += p[pos];
            ++pos;
        }
    };
    size_t start = 0;
    for (size_t i = 0; i + 10 <= line.size();) {
        if (!timeTagAt(line, i)) {
            ++i;
            continue;
        }
        piece(line.substr(start, i - start));
        out.append(line.substr(i, 10));
        i += 10;
        start = i;
    }
    piece(line.substr(start));
    return count;
}

// A line and the line end after it (CR LF, LF, CR or nothing).
struct RawLine {
    std::string_view text;
    std::string_view end;
};

std::vector<RawLine> rawLines(std::string_view bytes) {
    std::vector<RawLine> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({bytes.substr(start), {}});
            break;
        }
        const size_t endLength = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        lines.push_back({bytes.substr(start, end - start), bytes.substr(end, endLength)});
        start = end + endLength;
    }
    return lines;
}

// A text that is not valid UTF-8, read line by line (see decodeText). Line
// ends are never part of a character in UTF-8 or CP932, so the lines can be
// told apart before they are decoded.
DecodedText decodeByLines(std::string_view bytes) {
    enum class Kind { Utf8, DamagedUtf8, Cp932, Bad };
    const std::vector<RawLine> lines = rawLines(bytes);
    Iconv cv("UTF-8", "CP932");
    std::vector<Kind> kinds;
    kinds.reserve(lines.size());
    std::vector<std::string> cp932Texts(lines.size());
    size_t utf8 = 0, cp932 = 0, bad = 0, damagedCp932 = 0;
    Utf8Count whole;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Utf8Count c = countUtf8(lines[i].text);
        whole.multiByte += c.multiByte;
        whole.bad += c.bad;
        Kind kind = Kind::Utf8;  // ASCII lines too: they read the same either way
        if (c.bad > 0 && damagedUtf8(c)) {
            kind = Kind::DamagedUtf8;
        } else if (c.bad > 0) {
            const Cp932Count k = appendCp932Line(cv, lines[i].text, cp932Texts[i]);
            kind = k.bad == 0 ? Kind::Cp932 : Kind::Bad;
            // Japanese text with a damaged byte still tells of a CP932 file:
            // more characters than bad bytes, or fewer bad bytes than its
            // UTF-8 reading ("IPAあ" and a lead byte cut off: 1 against 3).
            damagedCp932 += k.bad > 0 && k.multiByte > 0 && (k.multiByte > k.bad || k.bad < c.bad);
        }
        utf8 += (kind == Kind::Utf8 && c.multiByte > 0) || kind == Kind::DamagedUtf8;
        cp932 += kind == Kind::Cp932;
        bad += kind == Kind::Bad;
        kinds.push_back(kind);
    }
    const bool mostlyUtf8 =
        (utf8 > 0 && utf8 >= cp932 + bad) || utf8 + cp932 + damagedCp932 == 0 || damagedUtf8(whole);

    DecodedText out;
    out.encoding = mostlyUtf8 ? TextEncoding::Utf8 : TextEncoding::Cp932;
    out.badBytesLeftOut = mostlyUtf8;
    out.utf8.reserve(bytes.size() + bytes.size() / 2);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (!mostlyUtf8) {
            if (appendCp932Line(cv, lines[i].text, out.utf8, &out.badBytes).bad > 0) out.badLines.push_back(number);
        } else if (kinds[i] == Kind::Utf8) {
            out.utf8.append(lines[i].text);
        } else if (kinds[i] == Kind::Cp932) {
            out.utf8 += cp932Texts[i];
            out.cp932Lines.push_back(number);
        } else {
            appendWithoutBadBytes(lines[i].text, out.utf8);
            out.badLines.push_back(number);
        }
        out.utf8.append(lines[i].end);
    }
    return out;
}

// UTF-16 without a byte-order mark: ASCII characters (time tags, line ends)
// have a NUL high byte, so one of the two byte positions holds NULs for at
// least a quarter of the characters and the other almost none.
std::optional<TextEncoding> utf16WithoutBom(std::string_view bytes) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0) return std::nullopt;
    size_t evenNul = 0, oddNul = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        evenNul += bytes[i] == '\0';
        oddNul += bytes[i + 1] == '\0';
    }
    const size_t units = bytes.size() / 2;
    if (oddNul * 4 >= units && evenNul * 16 <= oddNul) return TextEncoding::Utf16LE;
    if (evenNul * 4 >= units && oddNul * 16 <= evenNul) return TextEncoding::Utf16BE;
    return std::nullopt;
}

}  // namespace

const char* encodingName(TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf8Bom: return "UTF-8 (BOM)";
    case TextEncoding::Utf16LE: return "UTF-16LE";
    case TextEncoding::Utf16BE: return "UTF-16BE";
    case TextEncoding::Cp932: return "CP932";
    }
    return "?";
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++i; continue; }
        size_t len;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

DecodedText decodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return decodeWith("UTF-16LE", bytes.substr(2), TextEncoding::Utf16LE, 2);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
        return decodeWith("UTF-16BE", bytes.substr(2), TextEncoding::Utf16BE, 2);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        auto body = bytes.substr(3);
        if (isValidUtf8(body)) return {std::string(body), TextEncoding::Utf8Bom, {}};
        return decodeUtf8(body, TextEncoding::Utf8Bom);
    }
    if (auto e = utf16WithoutBom(bytes)) {
        DecodedText d = decodeWith(*e == TextEncoding::Utf16LE ? "UTF-16LE" : "UTF-16BE", bytes, *e, 2);
        d.withoutBom = true;
        return d;
    }
    if (isValidUtf8(bytes)) return {std::string(bytes), TextEncoding::Utf8, {}};
    // A UTF-8 file cut off inside its last character is still UTF-8.
    for (size_t cut = 1; cut <= 3 && cut < bytes.size(); ++cut) {
        unsigned char lead = static_cast<unsigned char>(bytes[bytes.size() - cut]);
        if ((lead & 0xC0) == 0x80) continue;
        size_t need = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (need > cut && isValidUtf8(bytes.substr(0, bytes.size() - cut)))
            return decodeUtf8(bytes, TextEncoding::Utf8);
        break;
    }
    return decodeByLines(bytes);
}

namespace {

// CP932 bytes that read back as exactly the same text. iconv maps a few
// characters onto look-alikes ("〜" U+301C becomes "～" U+FF5E), which would
// change the text silently; those count as not fitting.
std::optional<std::string> cp932RoundTrip(std::string_view utf8) {
    Iconv to("CP932", "UTF-8");
    std::string out;
    if (to.convert(utf8, out) != utf8.size()) return std::nullopt;
    Iconv back("UTF-8", "CP932");
    std::string again;
    if (back.convert(out, again) != out.size() || again != utf8) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> encodeCp932(std::string_view utf8) { return cp932RoundTrip(utf8); }

std::string encodeForReadBack(std::string_view utf8, TextEncoding* used) {
    if (auto cp932 = encodeCp932(utf8); cp932 && decodeText(*cp932).utf8 == utf8) {
        if (used) *used = TextEncoding::Cp932;
        return std::move(*cp932);
    }
    if (used) *used = TextEncoding::Utf8Bom;
    return "\xEF\xBB\xBF" + std::string(utf8);
}

std::optional<std::string> encodeCp932Keeping(std::string_view utf8, std::string_view badBytes) {
    std::string out;
    size_t k = 0;
    for (size_t start = 0;;) {
        const size_t at = utf8.find(kReplacementCharacter, start);
        auto piece = encodeCp932(utf8.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (!piece) return std::nullopt;
        out += *piece;
        if (at == std::string_view::npos) break;
        if (k >= badBytes.size()) return std::nullopt;
        out += badBytes[k++];
        start = at + kReplacementCharacter.size();
    }
    if (k != badBytes.size()) return std::nullopt;
    return out;
}

std::optional<std::string> encodeLike(std::string_view utf8, const DecodedText& read) {
    switch (read.encoding) {
    case TextEncoding::Utf8: return std::string(utf8);
    case TextEncoding::Utf8Bom: return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        std::string out = encodeUtf16le(utf8, !read.withoutBom);
        if (read.encoding == TextEncoding::Utf16BE)
            for (size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
        return out;
    }
    case TextEncoding::Cp932: return encodeCp932Keeping(utf8, read.badBytes);
    }
    return std::nullopt;
}

std::vector<std::string> charsOutsideCp932(std::string_view utf8) {
    std::vector<std::string> bad;
    for (const auto& ch : utf8Chars(utf8))
        if (!cp932RoundTrip(ch)) bad.push_back(ch);
    return bad;
}

char32_t decodeUtf8At(std::string_view s, size_t i, size_t& len) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        len = 1;
        return c;
    }
    len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (i + len > s.size()) len = 1;
    if (len == 1) return 0xFFFD;
    char32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}


std::u32string toU32(std::string_view s) {
    // Written through a pointer into room for the longest result: every
    // lyric line is converted on each refresh.
    std::u32string out(s.size(), U'\0');
    char32_t* o = out.data();
    for (size_t i = 0, len = 0; i < s.size(); i += len) {
        // ASCII (every time tag) without the call: the decoder is not inlined here.
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            *o++ = b;
            len = 1;
            continue;
        }
        *o++ = decodeUtf8At(s, i, len);
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}

void assignUtf8(std::string& out, char32_t c) {
    char b[4];
    size_t n = 0;
    if (c < 0x80) {
        b[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        b[n++] = static_cast<char>(0xC0 | (c >> 6));
        b[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        b[n++] = static_cast<char>(0xE0 | (c >> 12));
        b[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        b[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        b[n++] = static_cast<char>(0xF0 | (c >> 18));
        b[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        b[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        b[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.assign(b, n);
}

std::string toUtf8(char32_t c) {
    std::string out;
    assignUtf8(out, c);
    return out;
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) out += toUtf8(c);
    return out;
}

std::vector<std::string> utf8Chars(std::string_view utf8) {
    std::vector<std::string> out;
    for (char32_t c : toU32(utf8)) out.push_back(toUtf8(c));
    return out;
}

size_t utf8Length(std::string_view utf8) {
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string encodeUtf16le(std::string_view utf8, bool withBom) {
    // Decoded as toU32 decodes, straight into UTF-16: whole scripts pass
    // through here. No byte gives more than two bytes out (a four-byte
    // character gives a surrogate pair), so the room is reserved once.
    std::string out((withBom ? 2 : 0) + 2 * utf8.size(), '\0');
    char* o = out.data();
    if (withBom) {
        *o++ = '\xFF';
        *o++ = '\xFE';
    }
    auto put = [&o](char16_t u) {
        *o++ = static_cast<char>(u & 0xFF);
        *o++ = static_cast<char>(u >> 8);
    };
    for (size_t i = 0, len = 0; i < utf8.size(); i += len) {
        // ASCII (most of a script) goes straight through, eight bytes at a
        // time while they are all ASCII.
        if (i + 8 <= utf8.size()) {
            uint64_t word;
            std::memcpy(&word, utf8.data() + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                for (size_t k = 0; k < 8; ++k) {
                    *o++ = utf8[i + k];
                    *o++ = '\0';
                }
                len = 8;
                continue;
            }
        }
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            *o++ = static_cast<char>(b);
            *o++ = '\0';
            len = 1;
            continue;
        }
        char32_t c = decodeUtf8At(utf8, i, len);
        if (c >= 0x10000) {
            c -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (c >> 10)));
            put(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace kvelmor
