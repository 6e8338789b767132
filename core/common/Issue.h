#pragma once

#include <QString>

#include <exception>
#include <string>

namespace kestrivane {

// Every failure that can reach the user is an exception carrying a localisation key;
// the interface shows the key's text and never a message of its own.
class Error : public std::exception {
public:
    virtual QString key() const = 0;
};

namespace detail {
// Found by argument-dependent lookup, outside the class whose member `key()` would hide it.
template <typename Enum>
QString issueKey(Enum issue)
{
    return key(issue);
}
} // namespace detail

// An error of one of the system's error enumerations. `Enum` needs a free function
// `QString key(Enum)` found by argument-dependent lookup.
template <typename Enum>
class IssueError : public Error {
public:
    explicit IssueError(Enum issue) : m_issue(issue), m_what(detail::issueKey(issue).toStdString()) {}

    Enum issue() const noexcept { return m_issue; }
    QString key() const override { return QString::fromStdString(m_what); }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    Enum m_issue;
    std::string m_what;
};

// A failure of the operating system (a file that cannot be opened, read or written).
// It is shown as "mac.error_io"; the detail is kept for diagnostics only.
class FileError : public Error {
public:
    explicit FileError(QString detail) : m_detail(std::move(detail)), m_what(m_detail.toStdString()) {}

    QString key() const override { return QStringLiteral("mac.error_io"); }
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    QString m_detail;
    std::string m_what;
};

template <typename Enum>
[[noreturn]] inline void throwIssue(Enum issue)
{
    throw IssueError<Enum>(issue);
}

} // namespace kestrivane
