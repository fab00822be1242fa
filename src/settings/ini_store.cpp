// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/encoding.h"
#include "common/file_io.h"

namespace kvelmor::settings {
namespace {

namespace fs = std::filesystem;

// A file of bad lines gets this many line reports, then one summary.
constexpr size_t kMaxLineReports = 10;

bool isHeaderLine(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// Header lines are told apart first: "[a=b]" is a header.
bool isKeyLine(std::string_view line) {
    return !line.empty() && line.front() != ';' && line.find('=') != std::string_view::npos;
}

std::string_view nameOf(const std::string& header) {
    return std::string_view(header).substr(1, header.size() - 2);
}

std::string_view keyOf(std::string_view keyLine) {
    return keyLine.substr(0, keyLine.find('='));
}

std::string_view valueOf(std::string_view keyLine) {
    return keyLine.substr(keyLine.find('=') + 1);
}

// "64 KB", "10240 KB": the size of a value for a message.
std::string kilobytes(size_t bytes) { return std::to_string((bytes + 1023) >> 10) + " KB"; }

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Why the section header and key line made of these would not read back as
// the same section, key and value; empty when they would.
std::string unstorableReason(std::string_view section, std::string_view key, std::string_view value) {
    if (!isValidUtf8(section) || !isValidUtf8(key) || !isValidUtf8(value))
        return "the text is not valid UTF-8";
    if (hasLineBreak(section)) return "the section name holds a line break";
    if (hasLineBreak(key)) return "the key holds a line break";
    if (hasLineBreak(value)) return "the value holds a line break";
    if (value.size() > kMaxValueBytes)
        return "the value is " + kilobytes(value.size()) + ", more than the " + kilobytes(kMaxValueBytes) +
               " a setting may hold";
    if (key.find('=') != std::string_view::npos) return "the key holds \"=\"";
    if (!key.empty() && key.front() == ';') return "a key starting with \";\" would read as a comment";
    if (!key.empty() && key.front() == '[' && !value.empty() && value.back() == ']')
        return "the line would read as a section header";
    return {};
}

void reportLines(Reporter& reporter, const std::string& file, const std::vector<int>& lines,
                 const std::string& text, const std::string& summary) {
    for (size_t i = 0; i < lines.size() && i < kMaxLineReports; ++i) reporter.warning(text, file, lines[i]);
    if (lines.size() > kMaxLineReports)
        reporter.warning(summary + ": " + std::to_string(lines.size() - kMaxLineReports) + " more lines", file);
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// The line without its U+FFFDs.
std::string withoutReplacements(std::string_view line) {
    std::string out;
    for (size_t start = 0;;) {
        const size_t at = line.find(kReplacementCharacter, start);
        out += line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (at == std::string_view::npos) return out;
        start = at + kReplacementCharacter.size();
    }
}

size_t replacementCount(std::string_view text) {
    size_t count = 0;
    for (size_t at = text.find(kReplacementCharacter); at != std::string_view::npos;
         at = text.find(kReplacementCharacter, at + 1))
        ++count;
    return count;
}

// kSettingsLockWait, or the seconds of KVELMOR_SETTINGS_LOCK_WAIT ("0.5").
std::chrono::milliseconds lockWait() {
    if (const char* given = std::getenv("KVELMOR_SETTINGS_LOCK_WAIT"); given != nullptr && *given != '\0') {
        char* end = nullptr;
        const double seconds = std::strtod(given, &end);
        if (*end == '\0' && std::isfinite(seconds) && seconds >= 0 && seconds <= 24 * 3600)
            return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    }
    return kSettingsLockWait;
}

Reporter& silentReporter() {
    static NullReporter silent;
    return silent;
}

}  // namespace

IniFile::IniFile() : m_reporter(&silentReporter()) {}

IniFile::IniFile(Reporter& reporter) : m_reporter(&reporter) {}

std::string IniFile::sectionName(int index) const {
    if (index < 0 || index >= sectionCount()) return {};
    return std::string(nameOf(m_sections[static_cast<size_t>(index)].header));
}

int IniFile::keyCount(int index, std::string_view name) const {
    if (m_sections.empty() || index >= sectionCount()) return 0;
    if (index >= 0) return static_cast<int>(m_sections[static_cast<size_t>(index)].keyLines.size());
    if (!name.empty()) {
        for (const auto& s : m_sections)
            if (nameOf(s.header) == name) return static_cast<int>(s.keyLines.size());
        return 0;
    }
    size_t total = 0;
    for (const auto& s : m_sections) total += s.keyLines.size();
    return static_cast<int>(total);
}

std::string IniFile::keyName(std::string_view section, int index) const {
    if (index < 0) return {};
    for (const auto& s : m_sections) {
        if (nameOf(s.header) != section) continue;
        if (static_cast<size_t>(index) >= s.keyLines.size()) return {};
        return std::string(keyOf(s.keyLines[static_cast<size_t>(index)]));
    }
    return {};
}

std::optional<std::string> IniFile::findValue(std::string_view section, std::string_view key) const {
    for (const auto& s : m_sections) {
        if (nameOf(s.header) != section) continue;
        for (const auto& line : s.keyLines)
            if (keyOf(line) == key && valueOf(line).size() <= kMaxValueBytes) return std::string(valueOf(line));
    }
    return std::nullopt;
}

std::string IniFile::value(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const {
    return findValue(section, key).value_or(std::string(defaultValue));
}

bool IniFile::setValues(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values) {
    if (m_path.empty()) return false;
    for (const auto& [key, value] : values)
        if (!storable(section, key, value)) return false;
    const bool mode = std::exchange(m_mode, false);  // one save for them all
    for (const auto& [key, value] : values) setValue(section, key, value);
    m_mode = mode;
    return saveIfWriteThrough(!values.empty());
}

bool IniFile::storable(std::string_view section, std::string_view key, std::string_view value) const {
    std::string why = unstorableReason(section, key, value);
    if (why.empty()) return true;
    m_reporter->error("cannot store key \"" + std::string(key) + "\" of section [" + std::string(section) + "]: " + why,
                      m_path);
    return false;
}

bool IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    if (m_path.empty() || !storable(section, key, value)) return false;
    std::string line = std::string(key) + "=" + std::string(value);
    markChanged(section);
    for (auto& s : m_sections) {
        // A section of this name that holds no key is passed over.
        if (nameOf(s.header) != section || s.keyLines.empty()) continue;
        auto it = std::find_if(s.keyLines.begin(), s.keyLines.end(),
                               [&](const std::string& l) { return keyOf(l) == key; });
        if (it != s.keyLines.end())
            *it = std::move(line);
        else
            s.keyLines.push_back(std::move(line));
        return saveIfWriteThrough(true);
    }
    m_sections.push_back({"[" + std::string(section) + "]", {std::move(line)}});
    return saveIfWriteThrough(true);
}

bool IniFile::remove(std::string_view section, std::string_view key) {
    if (m_sections.empty()) return false;
    bool removed = false;
    if (key.empty()) {
        removed = std::erase_if(m_sections, [&](const IniSection& s) { return nameOf(s.header) == section; }) > 0;
    } else {
        // Every section of the name is visited, empty ones included, so that a
        // key value() finds in a later section can be deleted too.
        for (auto& s : m_sections) {
            if (nameOf(s.header) != section) continue;
            if (std::erase_if(s.keyLines, [&](const std::string& l) { return keyOf(l) == key; }) > 0)
                removed = true;
        }
    }
    if (removed) markChanged(section);
    return saveIfWriteThrough(removed);
}

void IniFile::markChanged(std::string_view section) {
    if (std::find(m_changed.begin(), m_changed.end(), section) == m_changed.end()) m_changed.emplace_back(section);
}

void IniFile::mergeInto(IniFile& disk) const {
    for (const std::string& name : m_changed) {
        auto named = [&](const IniSection& s) { return nameOf(s.header) == name; };
        auto first = std::find_if(disk.m_sections.begin(), disk.m_sections.end(), named);
        size_t at = static_cast<size_t>(first - disk.m_sections.begin());
        std::erase_if(disk.m_sections, named);
        std::vector<IniSection> mine;
        std::copy_if(m_sections.begin(), m_sections.end(), std::back_inserter(mine), named);
        disk.m_sections.insert(disk.m_sections.begin() + static_cast<ptrdiff_t>(std::min(at, disk.m_sections.size())),
                               mine.begin(), mine.end());
    }
}

bool IniFile::saveIfWriteThrough(bool changed) {
    if (!changed) return false;
    return m_mode ? save() : true;
}

bool IniFile::read() {
    m_unreadable = false;
    if (m_path.empty()) return false;
    std::error_code ec;
    // No file yet is the first start, not a fault.
    if (fs::status(m_path, ec).type() == fs::file_type::not_found) return false;
    std::string bytes;
    FileResult result = readFileBytes(m_path, bytes, kMaxTextFileBytes);
    if (!result.ok) {
        m_reporter->error("cannot read the settings file: " + result.error, m_path);
        m_unreadable = true;
        return false;
    }
    if (std::string why = notSettingsReason(bytes); !why.empty()) {
        // One message says it all; the faults of each line would only bury it.
        Reporter* reporter = m_reporter;
        NullReporter quiet;
        m_reporter = &quiet;
        loadFromText(bytes);
        m_reporter = reporter;
        m_reporter->error("this is not a settings file (" + why + "), so it is never saved over", m_path);
        m_unreadable = true;
        return true;
    }
    return loadFromText(bytes);
}

std::string IniFile::notSettingsReason(std::string_view bytes) {
    if (bytes.empty()) return {};
    if (bytes.find('\0') != std::string_view::npos) return "it holds binary data";
    DecodedText decoded = decodeText(bytes);
    // A time tag "[mm:ss:cc]" anywhere in a header-shaped line: a lyrics line.
    auto holdsTimeTag = [](std::string_view line) {
        for (size_t p = 0; p + 10 <= line.size(); ++p) {
            std::string_view t = line.substr(p, 10);
            auto digits = [&](size_t i) { return t[i] >= '0' && t[i] <= '9' && t[i + 1] >= '0' && t[i + 1] <= '9'; };
            if (t[0] == '[' && digits(1) && t[3] == ':' && digits(4) && t[6] == ':' && digits(7) && t[9] == ']')
                return true;
        }
        return false;
    };
    int number = 0, headers = 0, text = 0, data = 0;
    for (std::string_view line : splitLines(decoded.utf8)) {
        ++number;
        const std::string where = "line " + std::to_string(number);
        if (isHeaderLine(line)) {
            if (holdsTimeTag(line)) return where + " is a timed lyrics line";
            ++headers;
            ++data;
        } else if (isKeyLine(line)) {
            if (line.front() == '@') return where + " is a lyrics header line";
            if (headers == 0) return where + " holds a key before the first section";
            ++data;
        } else if (!line.empty() && line.front() != ';' && line.front() != '#' &&
                   line.find_first_not_of(" \t") != std::string_view::npos) {
            ++text;
        }
    }
    if (headers == 0 && text > 0) return "it has no [section] line";
    if (text > data) return "most of its lines are neither sections, keys nor comments";
    return {};
}

bool IniFile::loadFromText(std::string_view bytes) {
    if (bytes.empty()) return false;
    DecodedText decoded = decodeText(bytes);
    reportLines(*m_reporter, m_path, decoded.badLines,
                decoded.badBytesLeftOut ? "undecodable bytes, left out" : "undecodable bytes, read as U+FFFD",
                "undecodable bytes");
    reportLines(*m_reporter, m_path, decoded.cp932Lines,
                "read as CP932: the line is not UTF-8 like the rest of the file", "lines read as CP932");

    std::vector<std::string> lines;
    std::vector<IniSection> sections;
    std::vector<int> keysOutside;  // 1-based line numbers
    std::vector<int> overlong;     // values longer than kMaxValueBytes
    int firstNulLine = 0;
    int number = 0;
    for (std::string_view line : splitLines(decoded.utf8)) {
        ++number;
        if (firstNulLine == 0 && line.find('\0') != std::string_view::npos) firstNulLine = number;
        if (isHeaderLine(line)) {
            sections.push_back({std::string(line), {}});
        } else if (isKeyLine(line)) {
            if (sections.empty())
                keysOutside.push_back(number);
            else
                sections.back().keyLines.emplace_back(line);
            if (valueOf(line).size() > kMaxValueBytes) overlong.push_back(number);
        }
        lines.emplace_back(line);
    }
    if (firstNulLine > 0)
        m_reporter->warning("binary data (NUL bytes): this does not look like a settings file", m_path,
                            firstNulLine);
    reportLines(*m_reporter, m_path, keysOutside,
                "key line before the first section header: ignored, and dropped when the settings are saved",
                "key lines before the first section header");
    // Kept in the file as it is, but never used: a preset saved from it would
    // copy the value, and a few such copies would make the file too large to read.
    reportLines(*m_reporter, m_path, overlong,
                "a value of more than " + kilobytes(kMaxValueBytes) + ", which no setting holds: not used",
                "values too long to use");

    // The bytes of each U+FFFD of a CP932 file, one a U+FFFD, line by line.
    m_undecodedLines.clear();
    m_undecodedValues.clear();
    size_t nextBad = 0;
    for (const std::string& line : lines) {
        if (nextBad >= decoded.badBytes.size()) break;
        const size_t count = replacementCount(line);
        if (count == 0) continue;
        std::string bytes = decoded.badBytes.substr(nextBad, count);
        nextBad += count;
        if (isKeyLine(line) && replacementCount(keyOf(line)) == 0)
            m_undecodedValues.emplace_back(valueOf(line), bytes);
        m_undecodedLines.emplace_back(line, std::move(bytes));
    }

    m_lines = std::move(lines);
    m_sections = std::move(sections);
    const std::string_view text = decoded.utf8;
    m_unendedLastLine = !text.empty() && text.back() != '\n' && text.back() != '\r' ? number : 0;
    m_diskBytes = std::string(bytes);
    m_changed.clear();
    return true;
}

std::vector<std::string> IniFile::buildImage() const {
    if (m_sections.empty()) return {std::string()};
    // With no lines yet, one header position stands for the first section;
    // every further section goes after the end.
    static const std::vector<std::string> kFirstPlace{"[]"};
    const std::vector<std::string>& old = m_lines.empty() ? kFirstPlace : m_lines;

    // Sections take the header positions of the old lines in order, whatever
    // their names; comment lines stay where they were relative to those
    // positions, and those after the last position used are dropped.
    std::vector<std::string> image;
    size_t i = 0;
    for (size_t j = 0; j < m_sections.size(); ++i) {
        if (i < old.size() && !isHeaderLine(old[i])) {
            if (!isKeyLine(old[i])) image.push_back(old[i]);
            continue;
        }
        if (j > 0 && !image.empty() && !image.back().empty()) image.emplace_back();
        const IniSection& s = m_sections[j++];
        image.push_back(s.header);
        image.insert(image.end(), s.keyLines.begin(), s.keyLines.end());
    }
    return image;
}

std::string IniFile::toText() const { return joinLines(buildImage()); }

std::string IniFile::toFileBytes() const { return encodeLines(buildImage()); }

std::string IniFile::encodeLines(const std::vector<std::string>& image) const {
    const std::string text = joinLines(image);
    if (m_undecodedLines.empty()) return encodeForReadBack(text);
    // The file stays CP932 when the rest of it fits, and the lines read with
    // bytes that did not decode go back with those bytes where they are
    // unchanged; else those bytes stay U+FFFD, as they were read.
    auto bytesOf = [](const Undecoded& undecoded, std::string_view piece) -> const std::string* {
        for (const auto& [read, bytes] : undecoded)
            if (read == piece) return &bytes;
        return nullptr;
    };
    std::vector<const std::string*> badBytes(image.size(), nullptr);
    std::string rest;
    for (size_t i = 0; i < image.size(); ++i) {
        const std::string& line = image[i];
        badBytes[i] = bytesOf(m_undecodedLines, line);
        if (!badBytes[i] && isKeyLine(line) && replacementCount(keyOf(line)) == 0)
            badBytes[i] = bytesOf(m_undecodedValues, valueOf(line));
        rest += badBytes[i] ? withoutReplacements(line) : line;
        rest += "\r\n";
    }
    TextEncoding used = TextEncoding::Utf8Bom;
    encodeForReadBack(rest, &used);
    if (used != TextEncoding::Cp932) return encodeForReadBack(text);
    std::string out;
    for (size_t i = 0; i < image.size(); ++i) {
        std::optional<std::string> line = badBytes[i] ? encodeCp932Keeping(image[i], *badBytes[i]) : encodeCp932(image[i]);
        if (!line) return encodeForReadBack(text);
        out += *line;
        out += "\r\n";
    }
    // Bytes that would make the file read as another text are not written.
    return decodeText(out).utf8 == text ? out : encodeForReadBack(text);
}

bool IniFile::save() {
    if (m_path.empty()) {
        m_reporter->error("cannot save the settings: no settings file is set");
        return false;
    }
    if (m_unreadable) {
        m_reporter->error("the settings were not saved: the settings file could not be read, and saving would "
                          "replace what it holds",
                          m_path);
        return false;
    }
    std::error_code ec;
    fs::path folder = fs::path(m_path).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            m_reporter->error("cannot create the folder of the settings file: " + ec.message(), m_path);
            return false;
        }
    }
    auto refuse = [&](const std::string& why) {
        m_reporter->error("the settings were not saved: " + why, m_path);
        return false;
    };
    // What the file holds now, read under the lock that every saving process
    // takes, so that no two saves interleave.
    std::string now;
    auto readNow = [&]() -> bool {
        if (fs::status(m_path, ec).type() == fs::file_type::not_found) return true;
        FileResult r = readFileBytes(m_path, now, kMaxTextFileBytes);
        if (!r.ok) return refuse("the settings file cannot be read again before saving: " + r.error);
        if (std::string why = notSettingsReason(now); !why.empty())
            return refuse("this is not a settings file (" + why + "), and saving would replace it");
        return true;
    };
    // Checked before the lock too, so that no lock file is made beside a file
    // that is not a settings file.
    if (!readNow()) return false;
    // Locked where the file really is, so that saves through links to it take turns too.
    fs::path real = fs::weakly_canonical(m_path, ec);
    const std::string lockedPath = (ec || real.empty() ? fs::path(m_path) : real).string();
    const std::chrono::milliseconds wait = lockWait();
    FileLock lock(lockedPath, wait, [&] {
        m_reporter->info("waiting for another process to finish saving it (it holds " +
                             FileLock::lockPathFor(lockedPath) + ")",
                         m_path);
    });
    if (lock.timedOut()) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(wait.count()) / 1000);
        return refuse(std::string("another process held its lock ") + FileLock::lockPathFor(lockedPath) +
                      " for all of " + seconds + " s; the file was left as it was (try again once that process " +
                      "has finished or ended)");
    }
    now.clear();
    if (!readNow()) return false;
    if (!now.empty() && now != m_diskBytes) {
        // Another process saved since this store last read or saved the file.
        IniFile disk;
        disk.setPath(m_path);
        disk.loadFromText(now);
        mergeInto(disk);
        m_sections = std::move(disk.m_sections);
        m_lines = std::move(disk.m_lines);
        for (auto [mine, theirs] : {std::pair{&m_undecodedLines, &disk.m_undecodedLines},
                                    std::pair{&m_undecodedValues, &disk.m_undecodedValues}})
            for (auto& undecoded : *theirs)
                if (std::find(mine->begin(), mine->end(), undecoded) == mine->end()) mine->push_back(undecoded);
    }
    std::vector<std::string> image = buildImage();
    std::string bytes = encodeLines(image);
    if (bytes.size() > kMaxTextFileBytes)
        return refuse("the file would be " + kilobytes(bytes.size()) + ", more than the " +
                      kilobytes(kMaxTextFileBytes) + " a settings file may have and still be read");
    FileResult result = writeFileAtomically(m_path, bytes);
    if (!result.ok) {
        m_reporter->error("cannot save the settings file: " + result.error, m_path);
        return false;
    }
    m_lines = std::move(image);
    m_unendedLastLine = 0;
    m_diskBytes = std::move(bytes);
    m_changed.clear();
    return true;
}

void IniFile::release() {
    m_path.clear();
    m_mode = false;
    m_sections.clear();
    m_lines.clear();
    m_unendedLastLine = 0;
    m_unreadable = false;
    m_diskBytes.clear();
    m_changed.clear();
    m_undecodedLines.clear();
    m_undecodedValues.clear();
}

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    names.reserve(m_sections.size());
    for (const auto& s : m_sections) names.emplace_back(nameOf(s.header));
    return names;
}

std::vector<std::string> IniFile::keysOf(std::string_view section) const {
    std::vector<std::string> keys;
    for (const auto& s : m_sections) {
        if (nameOf(s.header) != section) continue;
        for (const auto& line : s.keyLines) keys.emplace_back(keyOf(line));
        break;
    }
    return keys;
}

}  // namespace kvelmor::settings
