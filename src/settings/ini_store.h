// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: a text file of "[section]" header lines and "key=value"
// lines. The store reads the whole file once, answers from memory, and writes
// the whole file back on save, keeping the file's comment and blank lines in
// their places and rewriting every section from memory.
//
// Format, as read and as written:
// - A header line starts with "[" and ends with "]"; the name is what lies
//   between, untrimmed ("[ a ]" is the section " a "). A blank before "[" makes
//   the line something else.
// - A key line does not start with ";" and holds "=": the key is the text
//   before the first "=", the value all the rest. Nothing is trimmed, and the
//   key may be empty.
// - Every other line is a comment line and carries no data.
// - Key lines before the first header belong to no section: they cannot be
//   read and are dropped by the next save.
// - Names and keys compare exactly, letter case included. A name may head
//   several sections and a section may hold a key twice; the look-ups below
//   say which one counts.
//
// All text in memory is UTF-8. The file is read in any encoding decodeText
// knows and written in CP932 when that holds every character exactly, else in
// UTF-8 with a byte-order mark; lines end with CR LF. A line or value of a
// CP932 file with bytes that did not decode (each read as U+FFFD) is written
// back with those very bytes while it is unchanged and the file stays CP932.
//
// A save waits for the lock of another saving process at most
// kSettingsLockWait, or the seconds the environment variable
// KVELMOR_SETTINGS_LOCK_WAIT gives, and then gives up, the file unchanged.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/reporter.h"

namespace kvelmor::settings {

// The longest value one key may hold, in bytes. No setting comes near it
// (the longest, an effect template, is a line of override tags); a preset of
// 120 keys so filled still leaves a settings file far below the 16 MB the
// reader takes. Longer values are neither stored nor used when read.
inline constexpr size_t kMaxValueBytes = 64u << 10;

// How long a save waits for another process's save to finish. One takes a
// few milliseconds; a lock held longer belongs to a process that hangs.
inline constexpr std::chrono::seconds kSettingsLockWait{10};

class IniFile {
public:
    // Messages go to a reporter that discards them until setReporter is called.
    IniFile();
    explicit IniFile(Reporter& reporter);

    // Where read problems and failed saves are reported; it must outlive the store.
    void setReporter(Reporter& reporter) { m_reporter = &reporter; }

    // The file read and save use. setValue refuses to store anything while it is empty.
    const std::string& path() const { return m_path; }
    void setPath(std::string path) { m_path = std::move(path); }

    // Write-through: when set, every setValue and every remove that removes
    // something saves the file at once and returns the result of that save.
    bool writesThrough() const { return m_mode; }
    void setWritesThrough(bool mode) { m_mode = mode; }

    int sectionCount() const { return static_cast<int>(m_sections.size()); }

    // Name of section `index` (0-based, file order); empty when out of range.
    std::string sectionName(int index) const;

    // index >= 0: key lines of section `index`. index < 0 and a name: key
    // lines of the first section of that name. index < 0 and no name: key
    // lines of all sections together. 0 whenever `index` is past the end.
    int keyCount(int index, std::string_view name) const;

    // Key of key line `index` of the first section called `section`; empty
    // when there is none. Later sections of the same name are not consulted.
    std::string keyName(std::string_view section, int index) const;

    // The first value of `key` in the first section called `section` that
    // holds it, else `defaultValue`. A value longer than kMaxValueBytes is
    // passed over, as if the line were missing.
    std::string value(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

    // As value, telling a missing key apart from an empty value.
    std::optional<std::string> findValue(std::string_view section, std::string_view key) const;

    // Replaces the first line of `key` in the first section called `section`
    // that holds any key line, or appends it there; with no such section a new
    // one is appended at the end (so a section that is present but empty gets
    // a second section of the same name). False, with nothing changed, while
    // path() is empty or when the line would not read back as this key and value
    // or the value is longer than kMaxValueBytes (reported, naming the key).
    bool setValue(std::string_view section, std::string_view key, std::string_view value);
    // setValue of each key and value in order, all or nothing: every line is
    // checked first, and when one is refused (reported, naming its key) none
    // is stored and the result is false.
    bool setValues(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values);

    // A key: removes its every line from the sections called `section`. An
    // empty key: removes every section called `section`. True when something
    // was removed.
    bool remove(std::string_view section, std::string_view key);

    // Loads the file at path, replacing what the store held. False, with the
    // store unchanged, when the file is missing, empty or cannot be read (the
    // last is reported; only a regular file of at most 16 MB is read).
    // Undecodable bytes, binary data and key lines outside any section are
    // reported and the rest is loaded. A file that does not read as a
    // settings file (notSettingsReason) is reported too.
    bool read();
    // Whether the last read() found a file at path that it could not read, or
    // one that is not a settings file (a video, lyrics, a binary file).
    bool unreadable() const { return m_unreadable; }

    // Why the text is not a settings file, or empty when it is one: binary
    // data, key lines before the first section, lyrics lines (time tags,
    // "@title=" lines), no section at all, or mostly lines that are neither
    // sections, keys nor comments. An empty text is a settings file.
    static std::string notSettingsReason(std::string_view bytes);

    // Writes the file at path, creating its folder when missing. The file is
    // replaced in one step, so a failed or interrupted save leaves the old
    // file as it was. A failure is reported and returns false; a file larger
    // than read() takes (kMaxTextFileBytes) is never written. A file the
    // last read() could not read is never saved over: its settings would be lost.
    // The save holds a lock beside the file and reads the file again under
    // it: when another process saved in the meantime, only the sections this
    // store changed (set or deleted since it last read or saved) replace
    // theirs, and the other process's sections are kept. A file that is now
    // not a settings file is never written over.
    bool save();

    // Back to the empty store: no path, write-through cleared, no sections, no lines.
    // The reporter stays.
    void release();

    // Section names in file order, then in order of addition; a name that heads
    // several sections is listed each time.
    std::vector<std::string> sectionNames() const;

    // The keys of the first section called `section`, in order.
    std::vector<std::string> keysOf(std::string_view section) const;

    // As read, from the bytes of a settings file instead of the file at path.
    // Reports name path() as the file.
    bool loadFromText(std::string_view bytes);

    // The 1-based number of the last line read when no line break ends it,
    // else 0. Every file save() writes ends with one, so such a file was cut off
    // (or written by another program) and its last value may be cut short.
    int unendedLastLine() const { return m_unendedLastLine; }

    // What save() would write, as UTF-8 text with CR LF line ends.
    std::string toText() const;
    // The same, encoded as save() writes it.
    std::string toFileBytes() const;

private:
    struct IniSection {
        std::string header;                 // "[" + name + "]", as written
        std::vector<std::string> keyLines;  // "key=value", each whole
    };

    // Whether the key line would read back as it is stored; reported when not.
    bool storable(std::string_view section, std::string_view key, std::string_view value) const;
    std::vector<std::string> buildImage() const;
    // The bytes save() writes for these lines.
    std::string encodeLines(const std::vector<std::string>& image) const;
    bool saveIfWriteThrough(bool changed);
    void markChanged(std::string_view section);
    // Takes the file's current sections and lines, with this store's changed
    // sections in place of theirs.
    void mergeInto(IniFile& disk) const;

    std::string m_path;
    bool m_mode = false;
    std::vector<IniSection> m_sections;  // file order, then order of addition
    // The file's lines as last read or written; only used to put comment lines
    // back in their places.
    std::vector<std::string> m_lines;
    int m_unendedLastLine = 0;
    bool m_unreadable = false;
    // The file's bytes as last read or written: a save that finds other bytes
    // merges with what another process wrote.
    std::string m_diskBytes;
    // Sections set or deleted since the last read or save, in order.
    std::vector<std::string> m_changed;
    // A text of a CP932 file read with bytes that did not decode (each such
    // byte a U+FFFD), and those bytes in order.
    using Undecoded = std::vector<std::pair<std::string, std::string>>;
    // Each such line as read, and the value of each such key line: a value
    // is copied to other keys and presets (a face followed by the others),
    // and its bytes go with it. A whole line is matched first.
    Undecoded m_undecodedLines, m_undecodedValues;
    Reporter* m_reporter;
};

}  // namespace kvelmor::settings
