#pragma once

#include <QString>
#include <ostream>

// Failure messages show Qt strings as text, not as the bytes of each character.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
