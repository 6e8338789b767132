#include "app/inspector/EditorInspector.h"

#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

// The inspector's building blocks: captions, labelled fields, number, text and check
// controls bound to the selected element, cards, and the colour of secondary texts.

namespace kestrivane {

using shellstyle::FontStyle;
namespace style = shellstyle;

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

} // namespace kestrivane
