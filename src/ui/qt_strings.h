#pragma once
// Where text crosses between the core (std::string, UTF-8) and Qt.

#include <QString>
#include <string>
#include <string_view>

namespace kvelmor::ui {

inline QString toQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string toStdString(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace kvelmor::ui
