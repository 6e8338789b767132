#pragma once

#include "tests/app/editor/EditorTestSupport.h"

#include "core/model/LabelDocument.h"

#include <QBuffer>
#include <QImage>

namespace inspectortest {

using namespace kestrivane;

// An element of `kind` in a 60 × 40 mm label, with the sizes the sidebar gives new ones.
inline LabelElement element(ElementKind kind, const QString &content = QStringLiteral("Kestrivane"))
{
    LabelElement result(QUuid::createUuid(), kind, content, 5, 5, 40, 12, 12);
    switch (kind) {
    case ElementKind::qr: result.widthMm = result.heightMm = 20; break;
    case ElementKind::barcode:
        result.content = QStringLiteral("01234567890123");
        result.barcode.symbology = BarcodeSymbology::code128;
        result.heightMm = 15;
        break;
    case ElementKind::image: {
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QBuffer buffer(&*(result.imageData = QByteArray()));
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        break;
    }
    case ElementKind::counter: result.content.clear(); break;
    case ElementKind::dateTime:
        result.content.clear();
        result.dateOptions.timeZoneID = QStringLiteral("Europe/Berlin");
        break;
    default: break;
    }
    return result;
}

inline WebAppearance webDate(const QString &mode)
{
    WebAppearance appearance;
    WebDateStyle style;
    style.mode = mode;
    style.format = QStringLiteral("DD.MM.YYYY");
    style.baseDate = QStringLiteral("2026-01-31");
    appearance.date = style;
    return appearance;
}

inline LabelTable priceTable()
{
    LabelTable table;
    table.sourceName = QStringLiteral("prices.csv");
    table.sheetName = QStringLiteral("CSV");
    table.columns = {QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("Code")};
    table.rows = {{QStringLiteral("Tea"), QStringLiteral("4.20"), QStringLiteral("T-1")}};
    return table;
}

// A store over a document of these elements, the first one selected (or all of them).
struct Fixture {
    explicit Fixture(QList<LabelElement> elements, bool selectAll = false,
                     std::optional<LabelTable> table = std::nullopt)
    {
        LabelDocument document(QStringLiteral("Test"), 60, 40, elements);
        document.table = std::move(table);
        store = env.makeStore(document);
        QSet<QUuid> ids;
        for (const LabelElement &e : elements) {
            ids.insert(e.id);
            if (!selectAll)
                break;
        }
        store->setSelectedIDs(ids);
    }

    const LabelElement &first() const { return store->document().elements.first(); }

    editortest::StoreEnvironment env;
    std::unique_ptr<EditorStore> store;
};

} // namespace inspectortest
