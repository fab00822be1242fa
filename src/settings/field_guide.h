// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a user is told about each field, from the schema's rows: its caption
// as the window shows it, a short English description, and for choices and
// lists what every index means. Also the settings-file keys of each field, both ways: which key
// stores a field, and which fields a key's value goes to (so that the
// command line's --set takes a key as well as a field name).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/schema.h"

namespace kvelmor::settings {

struct FieldGuide {
    std::string caption;      // as the window shows it; may be empty for fields without a label
    std::string captionEn;    // as the window in English shows it
    std::string description;  // short English: what it does, with its unit
    std::vector<ChoiceEntry> entries;  // choices and lists: one per index, from 0
};

// The guide of a main-window field (every setting has one), or of a field of
// the credit settings window (every credit field has one), by either name.
const FieldGuide* fieldGuide(std::string_view name);
const FieldGuide* creditFieldGuide(std::string_view name);

// Where a field is kept in the settings file: keys of each preset section,
// keys of the "info" section. Empty for fields that are not stored.
struct StoredKey {
    std::string key;
    bool info = false;  // the "info" section, not the presets
};
std::vector<StoredKey> storedKeysOf(std::string_view field);
std::vector<StoredKey> creditStoredKeysOf(std::string_view creditField);

// A field and the text to set it to as the user would (settings' setAsUser;
// credit fields with `credit`).
struct FieldText {
    std::string field;
    std::string value;
    bool credit = false;
};

// The fields a settings-file key stands for, with `value` (written as the
// file holds it: "True"/"False" for flags, "H:MM:SS" for joined times, the
// 1-based member of an alignment group) turned into what each field takes.
// Nothing when no preset or "info" key is called `key`; a key that is not a
// setting (the remembered folders) or a value that does not convert gives
// `error`.
struct KeyFields {
    std::vector<FieldText> fields;
    std::string error;
};
std::optional<KeyFields> fieldsForKey(std::string_view key, std::string_view value);

}  // namespace kvelmor::settings
