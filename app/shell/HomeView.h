#pragma once

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QUuid>

#include <functional>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace kestrivane {

class Localization;
class WindowsArtwork;
class WorkspaceStore;

// A flat button drawn as a rounded card; its content is laid out by its owner.
class CardButton final : public QAbstractButton {
    Q_OBJECT

public:
    CardButton(int radius, bool outlined, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_radius;
    bool m_outlined;
};

// The home screen: the three ways of starting work, a language picker and the open
// documents, each of which brings its tab to the front. It keeps no state of its own:
// refresh() shows the workspace and the language again.
class HomeView final : public QScrollArea {
    Q_OBJECT

public:
    HomeView(WorkspaceStore *workspace, Localization *localization, QWidget *parent = nullptr);

    // The widest the column of sections gets, without its padding.
    static constexpr int columnWidth = 1120;
    static constexpr int padding = 36;

    QComboBox *languagePicker() const { return m_language; }
    // The new-label, open and template tiles.
    const QList<CardButton *> &tiles() const { return m_tiles; }
    // One row per tab, in tab order; empty without tabs.
    const QList<CardButton *> &rows() const { return m_rows; }
    QWidget *openDocuments() const { return m_documents; }

    void refresh();

private:
    struct Row {
        QUuid id;
        CardButton *button = nullptr;
        QLabel *name = nullptr;
        QLabel *state = nullptr;
    };
    struct Tile {
        QLabel *title = nullptr;
        QLabel *subtitle = nullptr;
        QString titleKey;
        QString subtitleKey;
    };

    CardButton *tile(const QString &image, const QString &titleKey, const QString &subtitleKey,
                     std::function<void()> action);
    void rebuildRows();

    QPointer<WorkspaceStore> m_workspace;
    QPointer<Localization> m_localization;
    QLabel *m_subtitle = nullptr;
    QComboBox *m_language = nullptr;
    QList<CardButton *> m_tiles;
    QList<Tile> m_tileTexts;
    QWidget *m_documents = nullptr;
    QLabel *m_documentsTitle = nullptr;
    QVBoxLayout *m_rowLayout = nullptr;
    QList<CardButton *> m_rows;
    QList<Row> m_rowParts;
};

} // namespace kestrivane
