#include "app/inspector/InspectorModel.h"

#include "app/editor/EditorStore.h"
#include "app/editor/ErrorText.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TableIssue.h"
#include "core/l10n/Localization.h"

namespace kestrivane {

QString inspectorSymbol(ElementKind kind)
{
    switch (kind) {
    case ElementKind::text: return QStringLiteral("textformat");
    case ElementKind::qr: return QStringLiteral("qrcode");
    case ElementKind::barcode: return QStringLiteral("barcode");
    case ElementKind::line: return QStringLiteral("line.diagonal");
    case ElementKind::rectangle: return QStringLiteral("rectangle");
    case ElementKind::ellipse: return QStringLiteral("circle");
    case ElementKind::image: return QStringLiteral("photo");
    case ElementKind::dateTime: return QStringLiteral("calendar");
    case ElementKind::counter: return QStringLiteral("number.square");
    }
    return QStringLiteral("slider.horizontal.3");
}

InspectorModel InspectorModel::make(const LabelDocument &document, const QList<LabelElement> &selection)
{
    InspectorModel model;
    model.count = selection.size();
    InspectorLayout &layout = model.layout;
    if (selection.size() > 1) {
        layout.body = InspectorBody::multiple;
        layout.symbol = QStringLiteral("square.stack.3d.up");
        return model;
    }
    if (selection.isEmpty()) {
        layout.symbol = QStringLiteral("slider.horizontal.3");
        return model;
    }

    const LabelElement &element = selection.first();
    const ElementKind kind = element.kind;
    layout.body = InspectorBody::single;
    layout.selectedID = element.id;
    layout.kind = kind;
    layout.symbol = inspectorSymbol(kind);

    layout.showsData = kind == ElementKind::text || kind == ElementKind::qr || kind == ElementKind::barcode;
    if (layout.showsData) {
        layout.showsTableOptions = document.table.has_value();
        if (document.table)
            layout.columnTitles = document.table->columns;
        layout.bound = element.tableBinding.has_value();
    }

    layout.showsElementCard = kind != ElementKind::qr;
    if (kind == ElementKind::barcode) {
        const BarcodeSymbology symbology = element.barcode.symbology;
        layout.showsBarcodeOptions = true;
        layout.showsCaptionSize = element.barcode.showsText && !isMatrix(symbology);
        layout.showsGS1Caption = element.webAppearance && symbology == BarcodeSymbology::gs1DataMatrix;
        layout.showsGS1Actions = isGS1(symbology);
    }
    layout.showsTextOptions = isText(kind);
    if (kind == ElementKind::dateTime) {
        if (element.webAppearance && element.webAppearance->date) {
            layout.dateForm = DateForm::web;
            const QString &mode = element.webAppearance->date->mode;
            layout.showsManualText = mode == QLatin1String("manual");
            layout.showsBaseDate = mode == QLatin1String("calendar") || mode == QLatin1String("calendarPlus");
        } else {
            layout.dateForm = DateForm::plain;
        }
    }
    layout.showsCounterOptions = kind == ElementKind::counter;
    layout.showsStroke = kind == ElementKind::line || kind == ElementKind::rectangle || kind == ElementKind::ellipse;
    layout.showsFilled = kind == ElementKind::rectangle || kind == ElementKind::ellipse;
    layout.showsImageNote = kind == ElementKind::image;
    layout.showsHeight = !element.isSquareCode();
    return model;
}

InspectorModel InspectorModel::make(const EditorStore &store)
{
    return make(store.document(), store.selection());
}

QString InspectorModel::subtitle(const Localization &localization) const
{
    switch (layout.body) {
    case InspectorBody::empty: return QString();
    case InspectorBody::single: return localization.text(titleKey(*layout.kind));
    case InspectorBody::multiple: return localization.count(QStringLiteral("mac.items_count"), count);
    }
    return QString();
}

std::optional<QString> validationText(const EditorStore &store, const Localization &localization)
{
    try {
        store.document().validate();
        store.renderDocument().validate();
        return std::nullopt;
    } catch (const DocumentError &error) {
        return errorText(error, localization);
    } catch (const TableError &error) {
        // A binding without a table, or a prefix too long, is a table problem: its own
        // text says more than "the file is damaged".
        return errorText(error, localization);
    } catch (const std::exception &) {
        return localization.text(QStringLiteral("mac.error_document"));
    }
}

} // namespace kestrivane
