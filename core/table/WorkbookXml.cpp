#include "core/table/WorkbookXml.h"

#include <cstring>

namespace kestrivane::workbookxml {

void malformed()
{
    throwIssue(TableIssue::workbook);
}

std::optional<Key> keyOf(std::string_view qualified)
{
    static constexpr std::pair<Key, std::string_view> keys[] = {
        {Key::r, "r"},
        {Key::t, "t"},
        {Key::s, "s"},
        {Key::id, "Id"},
        {Key::target, "Target"},
        {Key::type, "Type"},
        {Key::targetMode, "TargetMode"},
        {Key::name, "name"},
        {Key::relationshipId, "r:id"},
        {Key::numFmtId, "numFmtId"},
        {Key::formatCode, "formatCode"},
    };
    for (const auto &[key, text] : keys) {
        if (qualified == text)
            return key;
    }
    return std::nullopt;
}

// True when `bytes` hold "<!DOCTYPE" or "<!ENTITY" in any ASCII letter case. Looks for
// the rare "!" rather than the "<" of every tag.
bool containsDeclaration(QByteArrayView bytes)
{
    const auto follows = [&](qsizetype at, std::string_view word) {
        if (bytes.size() - at < qsizetype(word.size()))
            return false;
        for (std::size_t k = 0; k < word.size(); ++k) {
            char c = bytes[at + qsizetype(k)];
            if (c >= 'A' && c <= 'Z')
                c = char(c + 32);
            if (c != word[k])
                return false;
        }
        return true;
    };
    const char *const data = bytes.data();
    const char *const end = data + bytes.size();
    for (const char *p = data; p < end;) {
        const auto *mark = static_cast<const char *>(std::memchr(p, '!', std::size_t(end - p)));
        if (!mark)
            return false;
        const qsizetype at = mark - data + 1;
        if (mark > data && mark[-1] == '<' && (follows(at, "doctype") || follows(at, "entity")))
            return true;
        p = mark + 1;
    }
    return false;
}

// Checks a name as the parts may write it: at most 4096 characters, and at most `colons`
// colons, each with a name part on either side ("r:id", not ":id", "r:" or "a:b:c").
// Gives the local name, the part after the colon, or nothing when the name is refused.
std::optional<std::string_view> localName(const char *name, int colons)
{
    qsizetype characters = 0;
    const char *local = name;
    const char *p = name;
    for (; *p; ++p) {
        if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80)
            ++characters;
        if (*p == ':') {
            if (p == name || p[1] == '\0' || --colons < 0)
                return std::nullopt;
            local = p + 1;
        }
    }
    if (characters > maximumNameCharacters)
        return std::nullopt;
    return std::string_view(local, std::size_t(p - local));
}

} // namespace kestrivane::workbookxml
