#pragma once

#include <QString>

#include <exception>

namespace kestrivane {

class Localization;

// The one text every alert shows for an error: a row of a print job names the row and its
// reason, the issues of tables, documents and the workspace their own keys, and anything
// else (file-system failures included) "mac.error_io".
QString errorText(const std::exception &error, const Localization &localization);

} // namespace kestrivane
