// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: whatever bytes it reads, what a save would write reads
// back as the same sections, keys and values, and a second save writes the
// very same file.
//
// Input: the bytes of a settings file.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_store.h"

using kvelmor::settings::IniFile;

namespace {

[[noreturn]] void fail(const char* what, std::string_view a, std::string_view b) {
    std::fprintf(stderr, "%s\n--- first\n%.*s\n--- then\n%.*s\n", what, static_cast<int>(a.size()), a.data(),
                 static_cast<int>(b.size()), b.data());
    std::abort();
}

// Everything a reader of the store can see.
std::string contents(const IniFile& ini) {
    std::string s;
    for (int i = 0; i < ini.sectionCount(); ++i) {
        const std::string name = ini.sectionName(i);
        s += "[" + name + "] " + std::to_string(ini.keyCount(i, {})) + " keys\n";
        for (const auto& key : ini.keysOf(name)) {
            const auto value = ini.findValue(name, key);
            s += "  " + key + " = " + (value ? *value : std::string("<missing>")) + "\n";
        }
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniFile first;
    first.setPath("fuzz.ini");
    if (!first.loadFromText(bytes)) return 0;

    const std::string saved = first.toFileBytes();
    IniFile second;
    second.setPath("fuzz.ini");
    if (!second.loadFromText(saved)) fail("a saved file does not read back", bytes, saved);
    if (contents(first) != contents(second))
        fail("the saved file reads back differently", contents(first), contents(second));
    if (second.toFileBytes() != saved) fail("a second save writes another file", saved, second.toFileBytes());
    return 0;
}
