#pragma once

#include "core/common/Issue.h"

#include <QString>

namespace kestrivane {

// A batch row that cannot be printed: its 1-based table row number (1 when the document
// has no table) and the localisation key of what went wrong with it. The editor shows it
// through "mac.data_row_error" with the row number and the text of `key()`.
class PrintRowIssue : public Error {
public:
    PrintRowIssue(qint64 row, QString key) : m_row(row), m_key(std::move(key)), m_what(m_key.toStdString()) {}

    qint64 row() const { return m_row; }
    // The key of the underlying failure, such as "mac.data_error_copies".
    QString key() const override { return m_key; }
    const char *what() const noexcept override { return m_what.c_str(); }

    friend bool operator==(const PrintRowIssue &a, const PrintRowIssue &b)
    {
        return a.m_row == b.m_row && a.m_key == b.m_key;
    }

private:
    qint64 m_row;
    QString m_key;
    std::string m_what;
};

} // namespace kestrivane
