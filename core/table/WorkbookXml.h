#pragma once

// The XML layer of the workbook reader: expat run over one part of the archive with the
// checks and limits every part must keep, and the few element and attribute names the
// reader looks at. Shared by the worksheet, shared-string and small-part readers.

#include "core/common/TableIssue.h"

#include <QByteArrayView>

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <type_traits>

namespace kestrivane::workbookxml {

[[noreturn]] void malformed();

// Limits of one XML part.
constexpr qint64 maximumElements = 1500000;
constexpr qint64 maximumCharacterBytes = 25165824;
constexpr int maximumDepth = 32;
constexpr qsizetype maximumNameCharacters = 4096; // of an element, attribute or instruction name

// The element names the reader looks at; every other name is `other`.
enum class Name : quint8 { other, c, v, t, f, is, si, rPh, sheetData, sheets, numFmts, cellXfs };

inline Name nameOf(std::string_view local)
{
    // Compared in place: this runs once per element, up to 1.5 million times a part.
    switch (local.size()) {
    case 1:
        switch (local[0]) {
        case 'c': return Name::c;
        case 'v': return Name::v;
        case 't': return Name::t;
        case 'f': return Name::f;
        default: return Name::other;
        }
    case 2: return local == "is" ? Name::is : local == "si" ? Name::si : Name::other;
    case 3: return local == "rPh" ? Name::rPh : Name::other;
    case 6: return local == "sheets" ? Name::sheets : Name::other;
    case 7: return local == "numFmts" ? Name::numFmts : local == "cellXfs" ? Name::cellXfs : Name::other;
    case 9: return local == "sheetData" ? Name::sheetData : Name::other;
    default: return Name::other;
    }
}

// The attributes the reader looks at, by qualified name ("r:id" keeps its prefix).
enum class Key : quint8 { r, t, s, id, target, type, targetMode, name, relationshipId, numFmtId, formatCode };

std::optional<Key> keyOf(std::string_view qualified);

// True when `bytes` hold "<!DOCTYPE" or "<!ENTITY" in any ASCII letter case.
bool containsDeclaration(QByteArrayView bytes);

// Checks a name as the parts may write it: at most 4096 characters, and at most `colons`
// colons, each with a name part on either side ("r:id", not ":id", "r:" or "a:b:c").
// Gives the local name, the part after the colon, or nothing when the name is refused.
std::optional<std::string_view> localName(const char *name, int colons);

// Runs expat over one XML part of `size` bytes, which `fill(buffer)` writes straight into
// the parser's input buffer (of at least max(size, 1) bytes, sparing a copy of the part),
// and keeps what every part must keep: valid UTF-8 without NUL, no document type or entity
// declarations (so the parser never expands an entity), version 1.0, the name rules above,
// 32 levels, 1,500,000 elements and 24 MiB of character data inside the root (CDATA
// sections are neither counted nor passed on). `Handler` gets start(name, attributes,
// level) with level 1 for the root, characters(text, length, level) with the level of the
// innermost open element, and end(level). The first fault in document order ends the
// parse: TableError large for the element and character-data limits, workbook for every
// other one; a fault thrown by `fill` comes before all of these.
template <typename Handler, typename Fill> void parsePart(qint64 size, Fill &&fill, Handler &handler)
{
    if (size > std::numeric_limits<int>::max())
        malformed();

    struct Run {
        XML_Parser parser;
        Handler &handler;
        std::optional<TableIssue> issue;
        std::exception_ptr failure; // thrown by the handler: it may not cross the parser
        qint64 elements = 0;
        qint64 characterBytes = 0;
        int depth = 0;
        bool cdata = false;

        bool stopped() const { return issue || failure; }
        void stop(TableIssue why)
        {
            issue = why;
            XML_StopParser(parser, XML_FALSE);
        }
        void fail()
        {
            failure = std::current_exception();
            XML_StopParser(parser, XML_FALSE);
        }
        static Run &of(void *data) { return *static_cast<Run *>(data); }
    };

    // Created for UTF-8 whatever the part declares, as the bytes were checked as UTF-8.
    const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
        XML_ParserCreate("UTF-8"), &XML_ParserFree);
    if (!parser)
        throw std::bad_alloc();
    Run run{parser.get(), handler, std::nullopt, nullptr};
    XML_SetUserData(parser.get(), &run);
    XML_SetXmlDeclHandler(parser.get(), [](void *data, const XML_Char *version, const XML_Char *, int) {
        Run &run = Run::of(data);
        if (!run.stopped() && version && std::strcmp(version, "1.0") != 0)
            run.stop(TableIssue::workbook);
    });
    XML_SetProcessingInstructionHandler(parser.get(), [](void *data, const XML_Char *target, const XML_Char *) {
        Run &run = Run::of(data);
        if (!run.stopped() && !localName(target, 0))
            run.stop(TableIssue::workbook);
    });
    XML_SetElementHandler(
        parser.get(),
        [](void *data, const XML_Char *name, const XML_Char **attributes) {
            Run &run = Run::of(data);
            if (run.stopped())
                return;
            const std::optional<std::string_view> local = localName(name, 1);
            bool names = local.has_value();
            for (const XML_Char **a = attributes; names && *a; a += 2)
                names = localName(*a, 1).has_value();
            if (!names || run.depth >= maximumDepth)
                return run.stop(TableIssue::workbook);
            // Too deep is a broken part; too many elements is only a big one.
            if (run.elements >= maximumElements)
                return run.stop(TableIssue::large);
            ++run.elements;
            ++run.depth;
            try {
                run.handler.start(nameOf(*local), attributes, run.depth);
            } catch (...) {
                run.fail();
            }
        },
        [](void *data, const XML_Char *) {
            Run &run = Run::of(data);
            if (run.stopped())
                return;
            try {
                run.handler.end(run.depth);
            } catch (...) {
                run.fail();
            }
            --run.depth;
        });
    XML_SetCdataSectionHandler(
        parser.get(), [](void *data) { Run::of(data).cdata = true; }, [](void *data) { Run::of(data).cdata = false; });
    XML_SetCharacterDataHandler(parser.get(), [](void *data, const XML_Char *text, int length) {
        Run &run = Run::of(data);
        // Blanks around the root are not character data of the document.
        if (run.stopped() || run.cdata || run.depth == 0)
            return;
        run.characterBytes += length;
        if (run.characterBytes > maximumCharacterBytes)
            return run.stop(TableIssue::large);
        try {
            run.handler.characters(text, length, run.depth);
        } catch (...) {
            run.fail();
        }
    });

    char *const buffer = static_cast<char *>(XML_GetBuffer(parser.get(), int(std::max<qint64>(size, 1))));
    if (!buffer)
        throw std::bad_alloc();
    fill(buffer);
    // Checked before parsing, over the whole part, so that no refusal depends on how far
    // the parser got.
    const QByteArrayView bytes(buffer, size);
    if (!bytes.isValidUtf8() || bytes.contains('\0') || containsDeclaration(bytes))
        malformed();
    // A part may begin with two byte-order marks, as the reader has always allowed; expat
    // skips only one.
    if (bytes.startsWith("\xEF\xBB\xBF\xEF\xBB\xBF")) {
        std::memmove(buffer, buffer + 3, std::size_t(size - 3));
        size -= 3;
    }
    const XML_Status status = XML_ParseBuffer(parser.get(), int(size), XML_TRUE);
    if (run.failure)
        std::rethrow_exception(run.failure);
    if (run.issue)
        throwIssue(*run.issue);
    if (status != XML_STATUS_OK || run.elements == 0)
        malformed();
}

} // namespace kestrivane::workbookxml
