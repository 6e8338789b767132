#include "core/l10n/StringTable.h"

#include "core/l10n/CoreResources.h"

#include <QFile>

#include <mutex>

namespace kestrivane {

namespace {

class Parser {
public:
    explicit Parser(const QString &text) : m_text(text) {}

    ParsedStringTable run()
    {
        ParsedStringTable result;
        while (true) {
            if (!skipBlanksAndComments())
                return failed(result);
            if (atEnd())
                return result;
            QString key;
            QString value;
            if (!readString(key))
                return failed(result);
            if (!skipBlanksAndComments() || !expect(u'='))
                return failed(result);
            if (!skipBlanksAndComments() || !readString(value))
                return failed(result);
            if (!skipBlanksAndComments() || !expect(u';'))
                return failed(result);
            const auto existing = result.table.entries.constFind(key);
            if (existing != result.table.entries.constEnd() && existing.value() != value &&
                !result.conflictingKeys.contains(key))
                result.conflictingKeys << key;
            result.table.entries.insert(key, value);
        }
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek(qsizetype ahead = 0) const
    {
        return m_pos + ahead < m_text.size() ? m_text.at(m_pos + ahead).unicode() : u'\0';
    }

    ParsedStringTable &failed(ParsedStringTable &result) const
    {
        result.errorOffset = m_pos;
        result.errorLine = int(QStringView(m_text).left(m_pos).count(u'\n')) + 1;
        return result;
    }

    // False on a comment that never closes.
    bool skipBlanksAndComments()
    {
        while (!atEnd()) {
            const char16_t c = peek();
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\uFEFF') {
                ++m_pos;
            } else if (c == u'/' && peek(1) == u'*') {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (end < 0)
                    return false;
                m_pos = end + 2;
            } else if (c == u'/' && peek(1) == u'/') {
                const qsizetype end = m_text.indexOf(QLatin1Char('\n'), m_pos + 2);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                break;
            }
        }
        return true;
    }

    bool expect(char16_t c)
    {
        if (peek() != c || atEnd())
            return false;
        ++m_pos;
        return true;
    }

    static int hexValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    bool readString(QString &out)
    {
        if (!expect(u'"'))
            return false;
        while (!atEnd()) {
            const char16_t c = peek();
            ++m_pos;
            if (c == u'"')
                return true;
            if (c != u'\\') {
                out.append(QChar(c));
                continue;
            }
            if (atEnd())
                return false;
            const char16_t e = peek();
            ++m_pos;
            switch (e) {
            case u'"': out.append(u'"'); break;
            case u'\'': out.append(u'\''); break;
            case u'\\': out.append(u'\\'); break;
            case u'n': out.append(u'\n'); break;
            case u't': out.append(u'\t'); break;
            case u'r': out.append(u'\r'); break;
            case u'u':
            case u'U': {
                int code = 0;
                for (int i = 0; i < 4; ++i) {
                    const int digit = hexValue(peek());
                    if (digit < 0 || atEnd())
                        return false;
                    code = code * 16 + digit;
                    ++m_pos;
                }
                out.append(QChar(char16_t(code)));
                break;
            }
            default:
                // Anything else is a typing error that would silently change a text.
                --m_pos;
                return false;
            }
        }
        return false;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

} // namespace

ParsedStringTable parseStringTable(const QByteArray &utf8)
{
    const QString text = QString::fromUtf8(utf8);
    return Parser(text).run();
}

QString stringTablePath(AppLanguage language)
{
    return CoreResources::path(QStringLiteral("Compiled/") + rawValue(language) +
                               QStringLiteral(".lproj/Localizable.strings"));
}

std::shared_ptr<const StringTable> stringTable(AppLanguage language)
{
    static std::array<std::once_flag, allAppLanguages.size()> once;
    static std::array<std::shared_ptr<const StringTable>, allAppLanguages.size()> tables;
    const auto index = static_cast<std::size_t>(language);
    std::call_once(once[index], [&] {
        auto table = std::make_shared<StringTable>();
        QFile file(stringTablePath(language));
        if (file.open(QIODevice::ReadOnly))
            table->entries = parseStringTable(file.readAll()).table.entries;
        tables[index] = std::move(table);
    });
    return tables[index];
}

} // namespace kestrivane
