#include "app/inspector/EditorInspector.h"

#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"

#include <QLabel>
#include <QSignalBlocker>

#include <array>
#include <utility>

// The element card: the options of a barcode, a text, a date, a counter or a shape.

namespace kestrivane {

using shellstyle::FontStyle;
namespace style = shellstyle;

namespace {

const QStringList &webDateModes()
{
    static const QStringList modes = {QStringLiteral("current"), QStringLiteral("manual"), QStringLiteral("calendar"),
                                      QStringLiteral("currentPlus"), QStringLiteral("calendarPlus")};
    return modes;
}

} // namespace

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

} // namespace kestrivane
