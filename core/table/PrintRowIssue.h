#pragma once

#include "common/Issue.h"

#include <QString>

namespace kestrivane {

// A batch row that cannot be printed: the zero-based row and the localisation key of the
// reason. Shown as "mac.data_row_error" with the row and the reason's text.
class PrintRowIssue : public Error {
public:
    PrintRowIssue(qint64 row, QString key) : row(row), reasonKey(std::move(key)), m_what(reasonKey.toStdString()) {}

    QString key() const override { return reasonKey; }
    const char *what() const noexcept override { return m_what.c_str(); }

    qint64 row;
    QString reasonKey;

private:
    std::string m_what;
};

} // namespace kestrivane
