#pragma once
// Lets GoogleTest print QString values in failure messages.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
