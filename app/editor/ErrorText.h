#pragma once

#include <QString>

#include <exception>

namespace kestrivane {

class Localization;

// The one text the interface shows for a failure: a print row names its row and reason;
// document, table and workspace errors and operating-system failures show their own key;
// anything else (a JSON reading error included) reads as "could not be read". Without a
// localisation service the key itself is returned.
QString errorText(const std::exception &error, const Localization *localization);

inline QString errorText(const std::exception &error, const Localization &localization)
{
    return errorText(error, &localization);
}

} // namespace kestrivane
