#pragma once

// Shared pieces of the converter's tests: the fixture catalog served from memory, the
// fixture sign folder, JSON-pointer patches of a design and the golden-file comparison.

#include "core/catalog/TemplateCatalogService.h"
#include "core/webimport/WebTemplateImporter.h"

#include <QHash>
#include <QJsonValue>

#include <optional>
#include <variant>

namespace webtest {

// The fake catalog's base and the origin of the second image host.
QUrl catalogBase();
QString photoOrigin();

QByteArray fixture(const QString &name); // tests/data/webimport/<name>
QString signFolder();
kestrivane::WebSignLookup fixtureSigns();

// "src" as written in the designs → the bytes the catalog serves for it.
QHash<QString, QByteArray> servedPictures();
// A catalog service over a fake transport that serves `servedPictures()`.
kestrivane::TemplateCatalogService fakeService();

// Sets (or, without a value, removes) the value at a JSON pointer ("/a/0/b"); "-" as
// the last token appends to an array.
struct Patch {
    QString pointer;
    std::optional<QJsonValue> value;
};
QByteArray patched(const QByteArray &json, const QList<Patch> &patches);

kestrivane::ImportedWebTemplate convertBytes(const QByteArray &bytes, const kestrivane::WebImageLoader &loader,
                                             const kestrivane::CancelToken &token = {});

// Compares a result with tests/data/webimport/<expected>: the picture bytes and the design
// source are checked on their own and then left out, the identifiers and the time zone
// are taken from the expected file, and the rest must be equal. On a difference the actual
// result is written to the test output folder for review.
void expectGolden(const kestrivane::ImportedWebTemplate &result, const QByteArray &design, const QString &expected,
                  const QHash<QString, QByteArray> &served);

using Outcome = std::variant<kestrivane::CatalogIssue, kestrivane::DocumentIssue>;
// The issue a conversion ends with, or none when it succeeds.
std::optional<Outcome> outcomeOf(const std::function<void()> &work);

} // namespace webtest
