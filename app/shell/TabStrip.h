#pragma once

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QToolButton>
#include <QUuid>

class QHBoxLayout;

namespace kestrivane {

class Localization;
class WorkspaceStore;

// The part of a tab that activates it: an accent dot while the document has unsaved
// changes, then its name on one line, shortened in the middle when it does not fit.
class TabSelectButton final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int dotSide = 6;
    static constexpr int spacing = 6;

    explicit TabSelectButton(QWidget *parent = nullptr);

    // True when the name changed.
    bool setName(const QString &name);
    const QString &name() const { return m_name; }
    void setDirty(bool dirty);
    bool dirty() const { return m_dirty; }
    // The name as drawn at the current width.
    QString shownName() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_name;
    bool m_dirty = false;
};

// One document's tab: its select button and its close button on a rounded background,
// highlighted while it is the active editor.
class DocumentTab final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize fixedSize{180, 36};

    DocumentTab(const QUuid &id, QWidget *parent = nullptr);

    const QUuid &id() const { return m_id; }
    TabSelectButton *selectButton() const { return m_select; }
    QToolButton *closeButton() const { return m_close; }
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QUuid m_id;
    TabSelectButton *m_select;
    QToolButton *m_close;
    bool m_highlighted = false;
};

// The open documents as a row of tabs that scrolls sideways without scroll bars. Tab
// widgets are made again only when the tabs themselves change; names, dots and the
// highlight are updated in place, since every edit in any tab comes through here.
class TabStrip final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int tabSpacing = 5;

    TabStrip(WorkspaceStore *workspace, Localization *localization, QWidget *parent = nullptr);

    const QList<DocumentTab *> &tabs() const { return m_tabs; }
    DocumentTab *tab(const QUuid &id) const;

    void refresh();
    // Scrolls the tab into view by the least movement, once the row has its new layout.
    void reveal(const QUuid &id);

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    void rebuild();

    QPointer<WorkspaceStore> m_workspace;
    QPointer<Localization> m_localization;
    QWidget *m_row;
    QHBoxLayout *m_layout;
    QList<DocumentTab *> m_tabs;
    // The language the close buttons' names were made in.
    int m_language = -1;
};

} // namespace kestrivane
