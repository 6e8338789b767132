#pragma once

#include "app/common/ShellStyle.h"
#include "app/inspector/InspectorModel.h"
#include "app/inspector/InspectorWrites.h"

#include <QPointer>
#include <QScrollArea>
#include <QSet>
#include <QUuid>

#include <functional>
#include <optional>

class QGridLayout;
class QLabel;
class QVBoxLayout;

namespace kestrivane {

class EditorStore;
class InspectorCard;
class Localization;

// The properties panel of one editor: what is selected on the canvas, and every control
// that edits it. The widget tree is built once per layout of the model (the selected
// element, how many are selected, and what decides which cards and fields exist); every
// other change of the store refreshes the values in place, so a field being typed in keeps
// its focus, cursor and selection. Each control reads the selected element and writes one
// undo step through the store, and only while the element it was made for is selected.
class EditorInspector final : public QScrollArea {
    Q_OBJECT

public:
    EditorInspector(EditorStore *store, Localization *localization, QWidget *parent = nullptr);
    ~EditorInspector() override;

    // The element the inspector edits (the store's selected id when it was made).
    std::optional<QUuid> elementID() const { return m_id; }
    const InspectorModel &model() const { return m_model; }
    // The text of the warning card, empty when it is hidden.
    QString warningText() const;
    // Stops every write and refresh: a newer inspector has taken over.
    void retire();
    // Reads the store again: a new tree when the layout changed, else values in place.
    void refresh();
    // Where keyboard focus goes when a new tree no longer has the control that held it.
    void setFocusFallback(QWidget *widget) { m_focusFallback = widget; }

protected:
    void changeEvent(QEvent *event) override;

private:
    using Refresher = std::function<void()>;

    void storeChanged();
    void rebuild();
    bool mayWrite() const;
    // Runs `write` only while this inspector's element is still the selected one.
    void edit(const std::function<void(EditorStore &)> &write);
    QString text(const QString &key) const;

    QColor primaryColor() const;
    QColor secondaryColor() const;
    QLabel *secondaryLabel(shellstyle::FontStyle style);
    void colourSecondaryTexts();

    // Building blocks.
    QLabel *caption(const QString &key, bool secondary = true);
    QWidget *labeled(const QString &key, QWidget *field);
    QWidget *number(const QString &key, const inspector::DoubleField &field, const QString &unitKey,
                    bool shortest = false);
    QWidget *integer(const QString &key, const inspector::IntegerField &field);
    QWidget *textLine(const QString &key, const inspector::TextField &field, const QString &placeholder = {});
    QWidget *checkBox(const QString &key, std::function<bool(const LabelElement &)> get,
                      std::function<void(EditorStore &, bool)> set);
    QWidget *sectionCard(const QString &title, QWidget *content);
    QWidget *infoCard(QLabel *text);
    QWidget *column(int spacing, const QList<QWidget *> &children);

    // Sections.
    QWidget *header();
    QWidget *dataSection();
    QWidget *barcodeDataActions();
    QWidget *elementSection();
    QWidget *barcodeOptions();
    QWidget *textOptions();
    QWidget *dateOptions();
    QWidget *counterOptions();
    QWidget *geometrySection();
    QWidget *arrangementSection();
    QWidget *actionButtons();

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_localization;
    std::optional<QUuid> m_id;
    InspectorModel m_model;
    std::optional<LabelElement> m_element; // the selected element as last read
    bool m_built = false;
    bool m_retired = false;
    bool m_building = false; // the old tree may commit a field as it goes: dropped
    QSet<QUuid> m_seenSelection;
    qint64 m_seenPreviewRow = 0;

    QList<Refresher> m_refreshers;
    QPointer<QWidget> m_focusFallback;
    QWidget *m_warning = nullptr;
    QLabel *m_warningText = nullptr;
};

// The right pane's content: the inspector of the element selected now. A new selected
// element gets a new inspector (its scroll position at the top); the old one stops
// writing at once and is deleted once control has left it, since its own Delete button
// or column picker may be what changed the selection.
//
// Keyboard focus that was in the inspector stays there across a new tree or a new
// inspector: on the control of the same field (each control's object name is its key),
// or on the fallback (the canvas) when that field is gone. While a sheet is open this is
// the focus the window gives back when the sheet closes. Focus elsewhere is left alone.
class InspectorPane final : public QWidget {
    Q_OBJECT

public:
    InspectorPane(EditorStore *store, Localization *localization, QWidget *parent = nullptr);
    EditorInspector *inspector() const { return m_inspector; }
    void setFocusFallback(QWidget *widget);

private:
    void followSelection();

    QPointer<EditorStore> m_store;
    QPointer<Localization> m_localization;
    QVBoxLayout *m_layout;
    QPointer<EditorInspector> m_inspector;
    QPointer<QWidget> m_focusFallback;
};

} // namespace kestrivane
