#include "app/inspector/EditorInspector.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"
#include "core/table/ImportedSheet.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

// The data card: the column an element is bound to, its content, and the barcode's data
// actions.

namespace kestrivane {

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

} // namespace kestrivane
