// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place where texts cross between the core (UTF-8 std::string) and Qt.

#include <QString>
#include <string>
#include <string_view>

namespace kvelmor::ui {

inline QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string ss(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

}  // namespace kvelmor::ui
