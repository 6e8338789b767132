#include "app/inspector/EditorInspector.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/inspector/InspectorControls.h"
#include "app/inspector/InspectorSymbol.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <array>
#include <tuple>

// Where the element sits and what happens to it as a whole: the geometry and arrangement
// cards and the duplicate and delete buttons.

namespace kestrivane {

namespace style = shellstyle;

namespace {

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

} // namespace

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

} // namespace kestrivane
