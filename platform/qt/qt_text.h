// Texts between the core (UTF-8 std::string) and Qt (QString).
#pragma once

#include <QString>
#include <string>

namespace sheaver {

inline QString ToQString(const std::string& s) {
  return QString::fromStdString(s);
}
inline std::string FromQString(const QString& s) {
  return s.toStdString();
}

}  // namespace sheaver
