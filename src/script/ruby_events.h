// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ruby events: the readings written as events of their own above the
// characters they belong to, right after the karaoke events of their line.

#include <cstdint>
#include <string>

#include "lyrics/lyrics_table.h"
#include "script/karaoke_events.h"
#include "settings/conversion_options.h"

namespace kvelmor::script {

// The ruby events of one line: one or two per character slot with a ruby, in
// slot order, nothing unless `rubyState` is kRubyAssigned. They share the
// line's display window; their layers are `lineKind` and `lineKind` + 10.
// The x of a ruby is rubyScale × (rubyX − posX), rounded down, + rubyLeft +
// posX: rubyScale stretches its distance from the line's left edge.
void appendRubyEvents(std::string& out, const lyrics::LyricLine& line, int16_t rubyState,
                      const settings::ConversionOptions& o, const EventTexts& texts);

}  // namespace kvelmor::script
