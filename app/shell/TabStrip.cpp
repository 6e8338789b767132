#include "app/shell/TabStrip.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/shell/WorkspaceStore.h"
#include "core/l10n/Localization.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace kestrivane {

TabSelectButton::TabSelectButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool TabSelectButton::setName(const QString &name)
{
    if (name == m_name)
        return false;
    m_name = name;
    setToolTip(name);
    setAccessibleName(name);
    update();
    return true;
}

void TabSelectButton::setDirty(bool dirty)
{
    if (dirty == m_dirty)
        return;
    m_dirty = dirty;
    update();
}

QString TabSelectButton::shownName() const
{
    const int room = width() - (m_dirty ? dotSide + spacing : 0);
    return fontMetrics().elidedText(m_name, Qt::ElideMiddle, std::max(room, 0));
}

void TabSelectButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    int x = 0;
    if (m_dirty) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Highlight));
        painter.drawEllipse(QRectF(0, (height() - dotSide) / 2.0, dotSide, dotSide));
        x = dotSide + spacing;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     shownName());
}

void TabSelectButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    // The tab draws the ring around both buttons.
    if (parentWidget())
        parentWidget()->update();
}

void TabSelectButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    if (parentWidget())
        parentWidget()->update();
}

DocumentTab::DocumentTab(const QUuid &id, QWidget *parent)
    : QWidget(parent), m_id(id), m_select(new TabSelectButton(this)), m_close(new QToolButton(this))
{
    setFixedSize(fixedSize);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(6);
    row->addWidget(m_select, 1);
    m_close->setAutoRaise(true);
    m_close->setIcon(systemSymbol(QStringLiteral("xmark"), palette().color(QPalette::WindowText)));
    m_close->setIconSize(QSize(10, 10));
    m_close->setFixedSize(20, 20);
    m_close->setFocusPolicy(Qt::TabFocus);
    row->addWidget(m_close);
}

void DocumentTab::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

void DocumentTab::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_highlighted ? palette().color(QPalette::Base)
                                   : shellstyle::withAlpha(palette().color(QPalette::WindowText), 3.5));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
    // The select button takes Space: a keyboard user sees which tab that would show, as the
    // close button shows its own focus.
    if (m_select->hasFocus())
        shellstyle::paintFocusRing(painter, palette(), QRectF(rect()), 7);
}

TabStrip::TabStrip(WorkspaceStore *workspace, Localization *localization, QWidget *parent)
    : QScrollArea(parent), m_workspace(workspace), m_localization(localization), m_row(new QWidget),
      m_layout(new QHBoxLayout(m_row))
{
    setFrameShape(QFrame::NoFrame);
    // Only the tabs' own buttons are Tab stops; the strip around them shows nothing.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setFixedHeight(DocumentTab::fixedSize.height());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    viewport()->setAutoFillBackground(false);
    m_row->setAutoFillBackground(false);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(tabSpacing);
    m_layout->addStretch();
    setWidget(m_row);
    refresh();
}

DocumentTab *TabStrip::tab(const QUuid &id) const
{
    for (DocumentTab *tab : m_tabs) {
        if (tab->id() == id)
            return tab;
    }
    return nullptr;
}

void TabStrip::rebuild()
{
    // The close button of a removed tab may still be inside its click: delete later.
    for (DocumentTab *tab : std::as_const(m_tabs)) {
        m_layout->removeWidget(tab);
        tab->hide();
        tab->deleteLater();
    }
    m_tabs.clear();
    if (!m_workspace)
        return;
    for (EditorStore *store : m_workspace->tabs()) {
        auto *tab = new DocumentTab(store->id(), m_row);
        const QUuid id = store->id();
        connect(tab->selectButton(), &QAbstractButton::clicked, this, [this, id] {
            if (m_workspace)
                m_workspace->activate(id);
        });
        connect(tab->closeButton(), &QAbstractButton::clicked, this, [this, id] {
            if (m_workspace)
                m_workspace->close(id);
        });
        m_layout->insertWidget(static_cast<int>(m_tabs.size()), tab);
        m_tabs.append(tab);
    }
}

void TabStrip::refresh()
{
    if (!m_workspace)
        return;
    const QList<EditorStore *> &stores = m_workspace->tabs();
    bool same = stores.size() == m_tabs.size();
    for (qsizetype i = 0; same && i < stores.size(); ++i)
        same = stores[i]->id() == m_tabs[i]->id();
    if (!same)
        rebuild();
    const int language = m_localization ? static_cast<int>(m_localization->language()) : -1;
    const bool relabel = !same || language != m_language;
    m_language = language;
    const EditorStore *active = m_workspace->active();
    for (qsizetype i = 0; i < stores.size(); ++i) {
        DocumentTab *tab = m_tabs[i];
        const QString &name = stores[i]->document().name;
        const bool renamed = tab->selectButton()->setName(name);
        tab->selectButton()->setDirty(stores[i]->dirty());
        tab->setHighlighted(active && active->id() == tab->id());
        if (m_localization && (renamed || relabel))
            tab->closeButton()->setAccessibleName(m_localization->format(QStringLiteral("mac.close_tab"), {name}));
    }
}

void TabStrip::reveal(const QUuid &id)
{
    // A new tab gets its place in the row only when the layout runs.
    QTimer::singleShot(0, this, [this, id] {
        if (DocumentTab *shown = tab(id)) {
            // The row's new width reaches the scroll range only through the area's layout.
            m_row->layout()->activate();
            QEvent request(QEvent::LayoutRequest);
            QCoreApplication::sendEvent(this, &request);
            ensureWidgetVisible(shown, 0, 0);
        }
    });
}

void TabStrip::wheelEvent(QWheelEvent *event)
{
    // The row has no vertical extent: a plain wheel moves it sideways.
    const QPoint delta = event->angleDelta();
    const int step = delta.x() != 0 ? delta.x() : delta.y();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - step / 2);
    event->accept();
}

} // namespace kestrivane
