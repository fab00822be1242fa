// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text encodings of the files Kvelmor reads and writes. Inside the program all
// text is UTF-8; a "character" is one Unicode code point.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvelmor {

enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Cp932 };

// U+FFFD, what a byte that does not decode is read as.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

const char* encodingName(TextEncoding e);

struct DecodedText {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
    // 1-based line numbers holding bytes that did not decode (each such byte
    // becomes U+FFFD); every line is listed once.
    std::vector<int> badLines;
    // The bad bytes were left out rather than read as U+FFFD (a UTF-8 file
    // with a few damaged bytes).
    bool badBytesLeftOut = false;
    // 1-based numbers of the lines of a UTF-8 text that were not UTF-8 but
    // CP932, and were read as CP932.
    std::vector<int> cp932Lines = {};
    // UTF-16 recognised without a byte-order mark.
    bool withoutBom = false;
    // CP932 text: the bytes that did not decode, in order, one for each
    // U+FFFD of utf8 (CP932 has no U+FFFD of its own), so that encodeLike can
    // put them back.
    std::string badBytes = {};
};

// UTF-16 when the bytes start with a UTF-16 byte-order mark, or have no mark
// but a NUL in every other byte for most characters (the high bytes of ASCII
// in UTF-16LE or BE); UTF-8 when they start with the UTF-8 mark or are valid
// UTF-8 throughout. The byte-order mark is not part of the text.
//
// Other bytes are read line by line. A text mostly of UTF-8 (at least as many
// lines of UTF-8, some damaged by a few bytes, as lines that are not; or no
// line of CP932 text either, whole or with a damaged byte: ASCII with a stray
// byte) keeps its UTF-8 lines;
// a line that is not UTF-8 is read as CP932 when it is valid CP932 (listed
// in cp932Lines), else its bad bytes are left out (badLines). Any other text
// is CP932 (the Windows form of Shift-JIS), its bad bytes read as U+FFFD.
// Either way a time tag "[mm:ss:cc]" stays whole: the byte before its "["
// is never read as the lead byte of a double-byte character.
DecodedText decodeText(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// CP932 bytes of the text, or nothing when some character has no CP932 form.
std::optional<std::string> encodeCp932(std::string_view utf8);

// The bytes of a text file Kvelmor writes for itself to read back (settings,
// .kra): CP932 when every character fits and the bytes read back as the same
// text (CP932 bytes can happen to be valid UTF-8: "ﾃｽ" is C3 BD), else UTF-8
// with a byte-order mark. `used` receives the encoding chosen.
std::string encodeForReadBack(std::string_view utf8, TextEncoding* used = nullptr);

// The text in the encoding `read` was read in: UTF-8 with or without its
// mark, UTF-16 with its mark unless it had none, or CP932 with each U+FFFD
// written as the byte of read.badBytes it stands for. Nothing when some
// character has no form in that encoding.
std::optional<std::string> encodeLike(std::string_view utf8, const DecodedText& read);

// CP932 bytes of the text with the k-th U+FFFD written as badBytes[k];
// nothing when a character has no CP932 form or the U+FFFDs are not one for
// each byte.
std::optional<std::string> encodeCp932Keeping(std::string_view utf8, std::string_view badBytes);

// The characters (each as UTF-8) of the text that CP932 cannot hold.
std::vector<std::string> charsOutsideCp932(std::string_view utf8);

// UTF-16 little-endian, with the byte-order mark when asked.
std::string encodeUtf16le(std::string_view utf8, bool withBom);

// Lines end at CR LF, LF or CR; a final line ending does not start another line.
std::vector<std::string_view> splitLines(std::string_view text);

// Code points.
std::u32string toU32(std::string_view utf8);
// The code point that starts at utf8[i], and its length in bytes (`len`), as
// toU32 reads it: the lead byte gives the length and the continuation bytes
// are not checked; a sequence cut off by the end of the text, or a stray byte
// from 0x80 up, is U+FFFD of one byte.
char32_t decodeUtf8At(std::string_view utf8, size_t i, size_t& len);
std::string toUtf8(std::u32string_view text);
std::string toUtf8(char32_t c);
// toUtf8(c) written over `out`, reusing its storage.
void assignUtf8(std::string& out, char32_t c);
// The characters of the text, each as its own UTF-8 string.
std::vector<std::string> utf8Chars(std::string_view utf8);
size_t utf8Length(std::string_view utf8);

}  // namespace kvelmor
