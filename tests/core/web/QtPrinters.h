#pragma once

// Readable failure messages: gtest would otherwise print a QString as raw UTF-16 units.

#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
