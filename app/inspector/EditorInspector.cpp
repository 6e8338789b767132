#include "app/inspector/EditorInspector.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"
#include "core/l10n/Localization.h"
#include "core/table/ImportedSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrivane {

using shellstyle::FontStyle;
namespace style = shellstyle;

namespace {

QPixmap symbolPixmap(const QString &name, int side, const QWidget *widget, const QColor &tint = QColor())
{
    return systemSymbol(name, tint).pixmap(QSize(side, side), widget->devicePixelRatioF());
}

QString alignmentSymbol(EditorStore::Alignment alignment)
{
    switch (alignment) {
    case EditorStore::Alignment::left: return QStringLiteral("align.horizontal.left");
    case EditorStore::Alignment::center: return QStringLiteral("align.horizontal.center");
    case EditorStore::Alignment::right: return QStringLiteral("align.horizontal.right");
    case EditorStore::Alignment::top: return QStringLiteral("align.vertical.top");
    case EditorStore::Alignment::middle: return QStringLiteral("align.vertical.center");
    case EditorStore::Alignment::bottom: return QStringLiteral("align.vertical.bottom");
    }
    return QString();
}

const QStringList &webDateModes()
{
    static const QStringList modes = {QStringLiteral("current"), QStringLiteral("manual"), QStringLiteral("calendar"),
                                      QStringLiteral("currentPlus"), QStringLiteral("calendarPlus")};
    return modes;
}

// A bordered button whose label is a full-width row: symbol, text, flexible space.
QPushButton *rowButton(const QString &symbol, const QString &text, const QColor &iconTint, const QColor &tint)
{
    auto *button = new QPushButton;
    auto *row = new QHBoxLayout(button);
    row->setContentsMargins(10, 4, 10, 4);
    row->setSpacing(6);
    auto *icon = new QLabel;
    icon->setPixmap(symbolPixmap(symbol, 14, button, iconTint));
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    if (tint.isValid())
        style::setTextColor(label, tint);
    row->addWidget(icon);
    row->addWidget(label, 1);
    button->setMinimumHeight(row->sizeHint().height());
    button->setAccessibleName(text);
    return button;
}

// The key of the control in `tree` that holds keyboard focus: the object name of the
// focused widget or of its nearest named ancestor below `tree` (empty when none is
// named); nothing when focus is outside `tree`.
std::optional<QString> focusedKey(const QWidget *tree)
{
    const QWidget *focused = QApplication::focusWidget();
    if (!tree || !focused || !tree->isAncestorOf(focused))
        return std::nullopt;
    for (const QWidget *widget = focused; widget && widget != tree; widget = widget->parentWidget())
        if (!widget->objectName().isEmpty())
            return widget->objectName();
    return QString();
}

// Focus onto the control named `key` in `tree`, or onto `fallback` when the tree has no
// such control that can take focus.
void restoreFocus(QWidget *tree, const QString &key, QWidget *fallback)
{
    QWidget *target = key.isEmpty() ? nullptr : tree->findChild<QWidget *>(key);
    if (target && target->isEnabled() && target->isVisibleTo(tree) &&
        (target->focusPolicy() != Qt::NoFocus || target->focusProxy())) {
        target->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (fallback)
        fallback->setFocus(Qt::OtherFocusReason);
}

} // namespace

EditorInspector::EditorInspector(EditorStore *store, Localization *localization, QWidget *parent)
    : QScrollArea(parent), m_store(store), m_localization(localization), m_id(store->selectedID())
{
    setObjectName(QStringLiteral("editorInspector"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    m_seenSelection = store->selectedIDs();
    m_seenPreviewRow = store->previewRow();
    connect(store, &EditorStore::documentChanged, this, &EditorInspector::refresh);
    connect(store, &EditorStore::selectedIDsChanged, this, &EditorInspector::storeChanged);
    connect(store, &EditorStore::previewRowChanged, this, &EditorInspector::storeChanged);
    connect(localization, &Localization::languageChanged, this, [this] {
        if (m_retired)
            return;
        m_built = false;
        refresh();
    });
    refresh();
}

EditorInspector::~EditorInspector() = default;

QString EditorInspector::text(const QString &key) const
{
    return m_localization ? m_localization->text(key) : key;
}

QString EditorInspector::warningText() const
{
    return m_warning && !m_warning->isHidden() ? m_warningText->text() : QString();
}

void EditorInspector::retire()
{
    m_retired = true;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
}

bool EditorInspector::mayWrite() const
{
    return !m_retired && !m_building && m_store && m_store->selectedID() == m_id;
}

void EditorInspector::edit(const std::function<void(EditorStore &)> &write)
{
    if (mayWrite())
        write(*m_store);
}

// An apply step announces the document, the selection and the preview row in turn; the
// last two are looked at only when they really changed, so one edit is one refresh.
void EditorInspector::storeChanged()
{
    if (!m_store || (m_store->selectedIDs() == m_seenSelection && m_store->previewRow() == m_seenPreviewRow))
        return;
    refresh();
}

void EditorInspector::refresh()
{
    if (m_retired || m_building || !m_store || !m_localization)
        return;
    m_seenSelection = m_store->selectedIDs();
    m_seenPreviewRow = m_store->previewRow();
    m_element = m_store->selected();
    InspectorModel model = InspectorModel::make(m_store->document(), m_store->selection());
    const bool rebuilding = !m_built || model.layout != m_model.layout || m_store->selectedID() != m_id;
    m_model = std::move(model);
    m_id = m_store->selectedID();
    if (rebuilding)
        rebuild();
    for (const Refresher &refresher : std::as_const(m_refreshers))
        refresher();
    const std::optional<QString> issue = validationText(*m_store, *m_localization);
    m_warningText->setText(issue.value_or(QString()));
    m_warning->setVisible(issue.has_value());
}

void EditorInspector::rebuild()
{
    m_building = true;
    m_built = true;
    m_refreshers.clear();
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("inspectorColumn"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);

    layout->addWidget(header());
    layout->addSpacing(2);
    const InspectorLayout &shape = m_model.layout;
    switch (shape.body) {
    case InspectorBody::empty: {
        QLabel *label = secondaryLabel(FontStyle::body);
        label->setText(text(QStringLiteral("mac.empty_selection")));
        layout->addWidget(infoCard(label));
        break;
    }
    case InspectorBody::single:
        if (shape.showsData)
            layout->addWidget(dataSection());
        if (shape.showsElementCard)
            layout->addWidget(sectionCard(text(titleKey(*shape.kind)), elementSection()));
        layout->addWidget(sectionCard(text(QStringLiteral("mac.inspector_geometry")), geometrySection()));
        break;
    case InspectorBody::multiple: {
        QLabel *label = secondaryLabel(FontStyle::caption);
        label->setText(text(QStringLiteral("mac.multi_hint")));
        layout->addWidget(infoCard(label));
        break;
    }
    }

    // The warning card exists in every tree; the refresh shows or hides it.
    m_warning = new InspectorCard(InspectorCard::Look::warning);
    m_warning->setObjectName(QStringLiteral("warningCard"));
    auto *warningRow = new QHBoxLayout(m_warning);
    warningRow->setContentsMargins(10, 10, 10, 10);
    warningRow->setSpacing(8);
    auto *sign = new QLabel;
    sign->setPixmap(symbolPixmap(QStringLiteral("exclamationmark.triangle.fill"), 14, m_warning, style::orange));
    m_warningText = style::label(FontStyle::caption);
    m_warningText->setObjectName(QStringLiteral("warningText"));
    m_warningText->setWordWrap(true);
    m_warningText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    warningRow->addWidget(sign, 0, Qt::AlignTop);
    warningRow->addWidget(m_warningText, 1, Qt::AlignTop);
    m_warning->hide();
    layout->addWidget(m_warning);

    if (shape.body != InspectorBody::empty) {
        layout->addWidget(sectionCard(text(QStringLiteral("mac.inspector_arrangement")), arrangementSection()));
        layout->addWidget(actionButtons());
    }
    layout->addStretch(1);

    // The old tree may hold the control whose click brought this change: it goes once
    // control has returned to the event loop. Focus in it is parked on the inspector
    // first: taking the tree away would pass it on along the focus chain, out of the
    // editor (the top bar's Home button).
    const std::optional<QString> focus = focusedKey(widget());
    if (focus)
        setFocus(Qt::OtherFocusReason);
    if (QWidget *old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    setWidget(content);
    if (focus)
        restoreFocus(content, *focus, m_focusFallback);
    colourSecondaryTexts();
    m_building = false;
}

// --- Building blocks ----------------------------------------------------------------

QColor EditorInspector::primaryColor() const
{
    return palette().color(QPalette::ButtonText);
}

QColor EditorInspector::secondaryColor() const
{
    return palette().color(QPalette::PlaceholderText);
}

// Marked, and coloured once the tree is in place: a label made without a parent has the
// application's palette, which is not the pane's when the desktop is dark.
QLabel *EditorInspector::secondaryLabel(FontStyle style)
{
    QLabel *label = style::label(style);
    label->setProperty("secondary", true);
    return label;
}

void EditorInspector::colourSecondaryTexts()
{
    if (!widget())
        return;
    const QColor secondary = secondaryColor();
    for (QLabel *label : widget()->findChildren<QLabel *>())
        if (label->property("secondary").toBool())
            style::setTextColor(label, secondary);
}

void EditorInspector::changeEvent(QEvent *event)
{
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colourSecondaryTexts();
}

QLabel *EditorInspector::caption(const QString &key, bool secondary)
{
    QLabel *label = secondary ? secondaryLabel(FontStyle::caption) : style::label(FontStyle::caption);
    label->setText(text(key));
    label->setWordWrap(true);
    return label;
}

QWidget *EditorInspector::column(int spacing, const QList<QWidget *> &children)
{
    auto *widget = new QWidget;
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget *child : children)
        if (child)
            layout->addWidget(child);
    return widget;
}

QWidget *EditorInspector::labeled(const QString &key, QWidget *field)
{
    field->setAccessibleName(text(key));
    if (field->objectName().isEmpty())
        field->setObjectName(key);
    return column(4, {caption(key), field});
}

QWidget *EditorInspector::number(const QString &key, const inspector::DoubleField &field, const QString &unitKey,
                                 bool shortest)
{
    auto *edit = new NumberField(
        shortest ? NumberField::Format::shortest : NumberField::Format::twoDecimals, field.range,
        [this, field]() -> std::optional<double> {
            if (!m_element)
                return std::nullopt;
            return field.get(*m_element);
        },
        [this, field](double value) {
            this->edit([&](EditorStore &store) { inspector::write(store, field, value); });
        });
    edit->setObjectName(key);
    edit->setAccessibleName(text(key));
    m_refreshers.append([edit] { edit->refresh(); });
    if (unitKey.isEmpty())
        return column(4, {caption(key), edit});
    auto *row = new QWidget;
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(6);
    QLabel *unit = caption(unitKey);
    unit->setWordWrap(false);
    unit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    rowLayout->addWidget(edit, 1);
    rowLayout->addWidget(unit);
    return column(4, {caption(key), row});
}

QWidget *EditorInspector::integer(const QString &key, const inspector::IntegerField &field)
{
    auto *edit = new NumberField(
        [this, field]() -> std::optional<qint64> {
            if (!m_element)
                return std::nullopt;
            return field.get(*m_element);
        },
        [this, field](qint64 value) {
            this->edit([&](EditorStore &store) { inspector::write(store, field, value); });
        });
    m_refreshers.append([edit] { edit->refresh(); });
    return labeled(key, edit);
}

QWidget *EditorInspector::textLine(const QString &key, const inspector::TextField &field, const QString &placeholder)
{
    auto *line = new TextLine([this, field] { return m_element ? field.get(*m_element) : QString(); },
                              [this, field](const QString &value) {
                                  edit([&](EditorStore &store) { inspector::write(store, field, value); });
                              });
    line->setPlaceholderText(placeholder);
    m_refreshers.append([line] { line->refresh(); });
    return labeled(key, line);
}

QWidget *EditorInspector::checkBox(const QString &key, std::function<bool(const LabelElement &)> get,
                                   std::function<void(EditorStore &, bool)> set)
{
    auto *box = new QCheckBox(text(key));
    box->setObjectName(key);
    connect(box, &QCheckBox::clicked, this,
            [this, set](bool on) { edit([&](EditorStore &store) { set(store, on); }); });
    m_refreshers.append([this, box, get] {
        const QSignalBlocker blocker(box);
        box->setChecked(m_element && get(*m_element));
    });
    return box;
}

QWidget *EditorInspector::sectionCard(const QString &title, QWidget *content)
{
    auto *card = new InspectorCard(InspectorCard::Look::section);
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    QLabel *heading = style::label(FontStyle::headline);
    heading->setText(title);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(content);
    return card;
}

QWidget *EditorInspector::infoCard(QLabel *label)
{
    auto *card = new InspectorCard(InspectorCard::Look::section);
    card->setObjectName(QStringLiteral("infoCard"));
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(6);
    label->setWordWrap(true);
    layout->addWidget(label);
    return card;
}

// --- Header -------------------------------------------------------------------------

QWidget *EditorInspector::header()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(11);

    auto *tile = new InspectorCard(InspectorCard::Look::tile);
    tile->setFixedSize(30, 30);
    auto *tileLayout = new QVBoxLayout(tile);
    tileLayout->setContentsMargins(0, 0, 0, 0);
    auto *symbol = new QLabel;
    symbol->setObjectName(QStringLiteral("inspectorSymbol"));
    symbol->setProperty("symbolName", m_model.layout.symbol);
    symbol->setPixmap(symbolPixmap(m_model.layout.symbol, 19, tile, secondaryColor()));
    symbol->setAlignment(Qt::AlignCenter);
    tileLayout->addWidget(symbol);
    tile->setAccessibleName(QString());
    tile->setFocusPolicy(Qt::NoFocus);

    QLabel *title = style::label(FontStyle::title3);
    title->setFont(style::font(FontStyle::title3, true));
    title->setText(text(QStringLiteral("mac.properties")));
    QLabel *subtitle = secondaryLabel(FontStyle::subheadline);
    subtitle->setObjectName(QStringLiteral("inspectorSubtitle"));
    auto *titles = column(1, {title, subtitle});
    m_refreshers.append([this, subtitle] {
        const QString shown = m_model.subtitle(*m_localization);
        subtitle->setText(shown);
        subtitle->setVisible(!shown.isEmpty());
    });

    layout->addWidget(tile, 0, Qt::AlignVCenter);
    layout->addWidget(titles, 1, Qt::AlignVCenter);
    return row;
}

// --- Data ---------------------------------------------------------------------------

QWidget *EditorInspector::dataSection()
{
    const InspectorLayout &shape = m_model.layout;
    QList<QWidget *> parts;
    if (shape.showsTableOptions) {
        auto *picker = new ValuePicker;
        picker->addItem(text(QStringLiteral("mac.data_manual")), qint64(-1));
        for (qsizetype i = 0; i < shape.columnTitles.size(); ++i)
            picker->addItem(ImportedSheet::columnName(i) + QStringLiteral(" \u00B7 ") + shape.columnTitles.at(i),
                            qint64(i));
        connect(picker, &QComboBox::activated, this, [this, picker](int index) {
            const qint64 column = picker->itemData(index).toLongLong();
            edit([&](EditorStore &store) { inspector::chooseColumn(store, column); });
        });
        m_refreshers.append([this, picker] {
            const QSignalBlocker blocker(picker);
            picker->select(m_element && m_element->tableBinding ? m_element->tableBinding->column : qint64(-1));
        });
        parts.append(labeled(QStringLiteral("mac.data_column"), picker));
        if (shape.bound) {
            parts.append(textLine(QStringLiteral("mac.prefix"), inspector::bindingPrefixField()));
            parts.append(textLine(QStringLiteral("mac.suffix"), inspector::bindingSuffixField()));
        }
    }

    QWidget *content = nullptr;
    if (shape.bound) {
        auto *frame = new QFrame;
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setBackgroundRole(QPalette::Base);
        frame->setAutoFillBackground(true);
        frame->setMinimumHeight(48);
        auto *frameLayout = new QVBoxLayout(frame);
        frameLayout->setContentsMargins(6, 4, 6, 4);
        auto *resolved = new QLabel;
        resolved->setObjectName(QStringLiteral("resolvedContent"));
        resolved->setWordWrap(true);
        resolved->setTextFormat(Qt::PlainText);
        resolved->setTextInteractionFlags(Qt::TextSelectableByMouse);
        resolved->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        frameLayout->addWidget(resolved, 1);
        m_refreshers.append([this, resolved] {
            QString shown;
            for (const LabelElement &element : m_store->renderDocument().elements)
                if (m_id && element.id == *m_id)
                    shown = element.content;
            resolved->setText(shown);
        });
        content = frame;
    } else {
        auto *editor = new ContentEditor(
            [this] { return m_element ? m_element->content : QString(); },
            [this](const QString &value) {
                edit([&](EditorStore &store) { inspector::write(store, inspector::contentField(), value); });
            });
        editor->setMinimumHeight(64);
        editor->setMaximumHeight(76);
        m_refreshers.append([editor] { editor->refresh(); });
        content = editor;
    }
    content->setObjectName(QStringLiteral("mac.content"));
    parts.append(labeled(QStringLiteral("mac.content"), content));
    if (shape.kind == ElementKind::barcode)
        parts.append(barcodeDataActions());
    auto *card = sectionCard(text(QStringLiteral("mac.inspector_data")), column(12, parts));
    card->setObjectName(QStringLiteral("mac.inspector_data"));
    return card;
}

QWidget *EditorInspector::barcodeDataActions()
{
    QList<QWidget *> parts;
    if (m_model.layout.showsGS1Actions) {
        parts.append(caption(QStringLiteral("mac.gs1_hint")));
        auto *append = new QPushButton(text(QStringLiteral("mac.append_gs")));
        append->setObjectName(QStringLiteral("mac.append_gs"));
        connect(append, &QPushButton::clicked, this,
                [this] { edit([](EditorStore &store) { inspector::appendGroupSeparator(store); }); });
        parts.append(append);
    }
    auto *example = new QPushButton(systemSymbol(QStringLiteral("wand.and.stars"), primaryColor()),
                                    text(QStringLiteral("mac.bar_example")));
    example->setObjectName(QStringLiteral("mac.bar_example"));
    connect(example, &QPushButton::clicked, this,
            [this] { edit([](EditorStore &store) { inspector::writeExample(store); }); });
    parts.append(example);
    auto *actions = column(8, parts);
    for (QWidget *button : parts)
        if (qobject_cast<QPushButton *>(button))
            static_cast<QVBoxLayout *>(actions->layout())->setAlignment(button, Qt::AlignLeft);
    return actions;
}

// --- Element card -------------------------------------------------------------------

QWidget *EditorInspector::elementSection()
{
    const InspectorLayout &shape = m_model.layout;
    QList<QWidget *> parts;
    if (shape.showsBarcodeOptions)
        parts.append(barcodeOptions());
    if (shape.showsTextOptions)
        parts.append(textOptions());
    if (shape.dateForm != DateForm::none) {
        parts.append(style::horizontalDivider());
        parts.append(dateOptions());
    }
    if (shape.showsCounterOptions) {
        parts.append(style::horizontalDivider());
        parts.append(counterOptions());
    }
    if (shape.showsStroke)
        parts.append(number(QStringLiteral("mac.stroke"), inspector::member(&LabelElement::strokeMm),
                            QStringLiteral("mac.unit_mm")));
    if (shape.showsFilled)
        parts.append(checkBox(
            QStringLiteral("mac.filled"), [](const LabelElement &element) { return element.filled; },
            [](EditorStore &store, bool on) {
                store.changeElement([on](LabelElement &element) { element.filled = on; });
            }));
    if (shape.showsImageNote)
        parts.append(caption(QStringLiteral("mac.image_embedded")));
    return column(12, parts);
}

QWidget *EditorInspector::barcodeOptions()
{
    const InspectorLayout &shape = m_model.layout;
    auto *picker = new ValuePicker;
    for (BarcodeSymbology symbology : allBarcodeSymbologies())
        picker->addItem(text(titleKey(symbology)), rawValue(symbology));
    connect(picker, &QComboBox::activated, this, [this, picker](int index) {
        if (const auto symbology = barcodeSymbologyFromRawValue(picker->itemData(index).toString()))
            edit([&](EditorStore &store) { inspector::chooseSymbology(store, *symbology); });
    });
    m_refreshers.append([this, picker] {
        const QSignalBlocker blocker(picker);
        picker->select(m_element ? rawValue(m_element->barcode.symbology) : QString());
    });
    QList<QWidget *> parts = {labeled(QStringLiteral("mac.symbology"), picker)};
    parts.append(checkBox(
        QStringLiteral("mac.show_bar_text"), [](const LabelElement &element) { return element.barcode.showsText; },
        [](EditorStore &store, bool on) {
            store.changeElement([on](LabelElement &element) { element.barcode.showsText = on; });
        }));
    if (shape.showsCaptionSize)
        parts.append(number(QStringLiteral("mac.barcode_font_size"), inspector::captionSizeField(),
                            QStringLiteral("mac.unit_pt")));
    if (shape.showsGS1Caption)
        parts.append(checkBox(
            QStringLiteral("mac.gs1_caption"),
            [](const LabelElement &element) {
                return element.webAppearance && element.webAppearance->gs1Identification.value_or(false);
            },
            [](EditorStore &store, bool on) { inspector::setGS1Caption(store, on); }));
    return column(12, parts);
}

QWidget *EditorInspector::textOptions()
{
    auto *font = new FontPicker(text(QStringLiteral("mac.system_font")));
    connect(font, &QComboBox::activated, this, [this, font](int index) {
        const QString name = font->itemData(index).toString();
        edit([&](EditorStore &store) {
            store.changeElement([&](LabelElement &element) { element.textStyle.fontName = name; });
        });
    });
    m_refreshers.append([this, font] {
        const QSignalBlocker blocker(font);
        font->select(m_element ? m_element->textStyle.fontName : QString());
    });

    auto *toggles = new FitLayout(12, 8, Qt::AlignLeft);
    toggles->setObjectName(QStringLiteral("textStyleToggles"));
    const std::array<std::pair<QString, bool TextStyle::*>, 3> styles = {{
        {QStringLiteral("mac.bold"), &TextStyle::bold},
        {QStringLiteral("mac.italic"), &TextStyle::italic},
        {QStringLiteral("mac.underline"), &TextStyle::underline},
    }};
    for (const auto &[key, field] : styles)
        toggles->addWidget(checkBox(
            key, [field](const LabelElement &element) { return element.textStyle.*field; },
            [field](EditorStore &store, bool on) {
                store.changeElement([&](LabelElement &element) { element.textStyle.*field = on; });
            }));

    auto *alignment = new ValuePicker;
    for (TextAlignment value : allTextAlignments)
        alignment->addItem(text(titleKey(value)), rawValue(value));
    connect(alignment, &QComboBox::activated, this, [this, alignment](int index) {
        if (const auto value = textAlignmentFromRawValue(alignment->itemData(index).toString()))
            edit([&](EditorStore &store) {
                store.changeElement([&](LabelElement &element) { element.textStyle.alignment = *value; });
            });
    });
    m_refreshers.append([this, alignment] {
        const QSignalBlocker blocker(alignment);
        alignment->select(m_element ? rawValue(m_element->textStyle.alignment) : QString());
    });

    return column(12,
                  {labeled(QStringLiteral("mac.font"), font),
                   number(QStringLiteral("mac.font_size"), inspector::fontSizeField(), QStringLiteral("mac.unit_pt")),
                   toggles, labeled(QStringLiteral("mac.alignment"), alignment)});
}

QWidget *EditorInspector::dateOptions()
{
    const InspectorLayout &shape = m_model.layout;
    QList<QWidget *> parts;
    if (shape.dateForm == DateForm::plain) {
        auto *pattern = new ValuePicker;
        for (DatePattern value : allDatePatterns)
            pattern->addItem(text(titleKey(value)), rawValue(value));
        connect(pattern, &QComboBox::activated, this, [this, pattern](int index) {
            if (const auto value = datePatternFromRawValue(pattern->itemData(index).toString()))
                edit([&](EditorStore &store) {
                    store.changeElement([&](LabelElement &element) { element.dateOptions.pattern = *value; });
                });
        });
        m_refreshers.append([this, pattern] {
            const QSignalBlocker blocker(pattern);
            pattern->select(m_element ? rawValue(m_element->dateOptions.pattern) : QString());
        });
        parts.append(labeled(QStringLiteral("mac.date_format"), pattern));
        parts.append(integer(QStringLiteral("mac.day_offset"), inspector::dateOffsetField()));
        QLabel *zone = style::label(FontStyle::caption);
        zone->setObjectName(QStringLiteral("timeZone"));
        zone->setWordWrap(true);
        m_refreshers.append([this, zone] { zone->setText(m_element ? m_element->dateOptions.timeZoneID : QString()); });
        parts.append(zone);
        parts.append(caption(QStringLiteral("mac.date_hint")));
        return column(10, parts);
    }

    auto *mode = new ValuePicker;
    for (const QString &value : webDateModes())
        mode->addItem(text(QStringLiteral("mac.web_date_") + value), value);
    connect(mode, &QComboBox::activated, this, [this, mode](int index) {
        const QString value = mode->itemData(index).toString();
        edit([&](EditorStore &store) { inspector::write(store, inspector::webDateModeField(), value); });
    });
    m_refreshers.append([this, mode] {
        const QSignalBlocker blocker(mode);
        mode->select(m_element ? inspector::webDateStyle(*m_element).mode : QString());
    });
    parts.append(labeled(QStringLiteral("mac.web_date_mode"), mode));
    parts.append(textLine(QStringLiteral("mac.date_format"), inspector::webDateFormatField()));
    if (shape.showsManualText)
        parts.append(textLine(QStringLiteral("mac.content"), inspector::contentField()));
    if (shape.showsBaseDate)
        parts.append(
            textLine(QStringLiteral("mac.web_base_date"), inspector::baseDateField(), QStringLiteral("YYYY-MM-DD")));
    parts.append(number(QStringLiteral("mac.day_offset"), inspector::webOffsetField(), QString(), true));
    return column(10, parts);
}

QWidget *EditorInspector::counterOptions()
{
    return column(10, {integer(QStringLiteral("mac.counter_start"), inspector::counterField(&CounterOptions::start)),
                       integer(QStringLiteral("mac.counter_step"), inspector::counterField(&CounterOptions::step)),
                       integer(QStringLiteral("mac.counter_digits"), inspector::counterField(&CounterOptions::digits)),
                       textLine(QStringLiteral("mac.prefix"), inspector::counterTextField(&CounterOptions::prefix)),
                       textLine(QStringLiteral("mac.suffix"), inspector::counterTextField(&CounterOptions::suffix)),
                       caption(QStringLiteral("mac.counter_hint"))});
}

// --- Geometry, arrangement, actions -------------------------------------------------

QWidget *EditorInspector::geometrySection()
{
    const QString mm = QStringLiteral("mac.unit_mm");
    QList<QWidget *> cells = {number(QStringLiteral("mac.x"), inspector::member(&LabelElement::xMm), mm),
                              number(QStringLiteral("mac.y"), inspector::member(&LabelElement::yMm), mm),
                              number(QStringLiteral("mac.width"), inspector::widthField(), mm)};
    if (m_model.layout.showsHeight)
        cells.append(number(QStringLiteral("mac.height"), inspector::member(&LabelElement::heightMm), mm));
    auto *grid = new QWidget;
    auto *gridLayout = new QGridLayout(grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(10);
    for (int column = 0; column < 2; ++column) {
        gridLayout->setColumnMinimumWidth(column, 96);
        gridLayout->setColumnStretch(column, 1);
    }
    for (qsizetype i = 0; i < cells.size(); ++i)
        gridLayout->addWidget(cells.at(i), int(i / 2), int(i % 2), Qt::AlignTop);
    return column(12, {grid, style::horizontalDivider(),
                       number(QStringLiteral("mac.rotation"), inspector::member(&LabelElement::rotationDegrees),
                              QStringLiteral("mac.unit_degree"))});
}

QWidget *EditorInspector::arrangementSection()
{
    auto *row = new InspectorCard(InspectorCard::Look::control);
    row->setObjectName(QStringLiteral("alignmentRow"));
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(1, 1, 1, 1);
    rowLayout->setSpacing(0);
    bool first = true;
    for (EditorStore::Alignment alignment : EditorStore::allAlignments) {
        if (!first)
            rowLayout->addWidget(style::verticalDivider(22), 0, Qt::AlignVCenter);
        first = false;
        auto *button = new QToolButton;
        const QString key = QStringLiteral("mac.align_") + rawValue(alignment);
        button->setObjectName(key);
        button->setAutoRaise(true);
        button->setIcon(systemSymbol(alignmentSymbol(alignment), primaryColor()));
        button->setIconSize(QSize(16, 16));
        button->setToolTip(text(key));
        button->setAccessibleName(text(key));
        button->setMinimumHeight(30);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        connect(button, &QToolButton::clicked, this,
                [this, alignment] { edit([&](EditorStore &store) { store.align(alignment); }); });
        rowLayout->addWidget(button, 1);
    }

    auto *layers = new FitLayout(8, 8, Qt::AlignHCenter);
    layers->setObjectName(QStringLiteral("layerButtons"));
    const std::array<std::tuple<QString, QString, bool>, 2> buttons = {{
        {QStringLiteral("mac.layer_front"), QStringLiteral("arrow.up.to.line"), true},
        {QStringLiteral("mac.layer_back"), QStringLiteral("arrow.down.to.line"), false},
    }};
    for (const auto &[key, symbol, front] : buttons) {
        auto *button = new QPushButton(systemSymbol(symbol, primaryColor()), text(key));
        button->setObjectName(key);
        button->setToolTip(text(key));
        connect(button, &QPushButton::clicked, this,
                [this, front] { edit([&](EditorStore &store) { store.changeLayer(front); }); });
        layers->addWidget(button);
    }
    return column(12, {column(6, {caption(QStringLiteral("mac.alignment")), row}), layers});
}

QWidget *EditorInspector::actionButtons()
{
    QPushButton *duplicate =
        rowButton(QStringLiteral("doc.on.doc"), text(QStringLiteral("mac.duplicate")), primaryColor(), QColor());
    duplicate->setObjectName(QStringLiteral("mac.duplicate"));
    connect(duplicate, &QPushButton::clicked, this,
            [this] { edit([](EditorStore &store) { store.insert(store.selection(), true); }); });
    QPushButton *remove =
        rowButton(QStringLiteral("trash"), text(QStringLiteral("mac.delete")), destructiveTint(), destructiveTint());
    remove->setObjectName(QStringLiteral("mac.delete"));
    connect(remove, &QPushButton::clicked, this, [this] { edit([](EditorStore &store) { store.deleteSelection(); }); });
    return column(8, {duplicate, remove});
}

// --- InspectorPane ------------------------------------------------------------------

InspectorPane::InspectorPane(EditorStore *store, Localization *localization, QWidget *parent)
    : QWidget(parent), m_store(store), m_localization(localization), m_layout(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("inspectorHost"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    // Connected before any inspector exists, so the pane swaps inspectors before the old
    // one would react to the same change.
    connect(store, &EditorStore::documentChanged, this, &InspectorPane::followSelection);
    connect(store, &EditorStore::selectedIDsChanged, this, &InspectorPane::followSelection);
    followSelection();
}

void InspectorPane::setFocusFallback(QWidget *widget)
{
    m_focusFallback = widget;
    if (m_inspector)
        m_inspector->setFocusFallback(widget);
}

void InspectorPane::followSelection()
{
    if (!m_store)
        return;
    if (m_inspector && m_inspector->elementID() == m_store->selectedID())
        return;
    QPointer<EditorInspector> old = m_inspector;
    const std::optional<QString> focus = focusedKey(old);
    if (old)
        old->retire();
    m_inspector = new EditorInspector(m_store, m_localization, this);
    m_inspector->setFocusFallback(m_focusFallback);
    m_layout->addWidget(m_inspector);
    // The new inspector takes the focus before the old one is hidden, which would pass it
    // on along the focus chain.
    if (focus) {
        m_inspector->show();
        restoreFocus(m_inspector, *focus, m_focusFallback);
    }
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

} // namespace kestrivane
