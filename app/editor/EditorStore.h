#pragma once

#include "app/common/CloseDecision.h"
#include "app/editor/EditorAlerts.h"
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/ElementResizeGeometry.h"
#include "app/editor/ElementSnapGeometry.h"
#include "app/io/ElementClipboard.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"
#include "core/table/LabelTable.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace kestrivane {

class EditorDialogs;
class LabelPrintJob;

// The editing state of one open document (one tab): the document value, the selection,
// the sheet flags, zoom and grid switch, the status message, the file and a history of
// whole documents. Every undoable edit goes through apply(); pointer gestures and the
// keyboard nudge write the document directly from `dragStart` and are recorded as one
// step by endDrag().
//
// Every setter and every internal write of a published property emits that property's
// signal and then changed(), also when the value written equals the old one: the views
// bind to the signals and compare values themselves where that matters.
class EditorStore final : public QObject {
    Q_OBJECT

public:
    enum class Alignment { left, center, right, top, middle, bottom };
    static constexpr std::array<Alignment, 6> allAlignments = {Alignment::left, Alignment::center, Alignment::right,
                                                               Alignment::top,  Alignment::middle, Alignment::bottom};

    // The clipboard format of copied element lists.
    static inline const QString pasteboardType = ElementClipboard::pasteboardType;
    // Undo and redo together never hold more documents than this.
    static constexpr qsizetype historyLimit = 100;

    // `fileURL` is the local path the document was opened from (absent for a new one).
    // A new document has no saved state, so it counts as edited until its first save.
    EditorStore(Localization *localization, LabelDocument document, std::optional<QString> fileURL, bool isNew,
                EditorGridPreferences *gridPreferences, QObject *parent = nullptr);
    ~EditorStore() override;

    QUuid id() const { return m_id; }
    Localization *localization() const { return m_localization; }
    EditorGridPreferences *gridPreferences() const { return m_gridPreferences; }

    // --- Published properties -------------------------------------------------------
    const LabelDocument &document() const { return m_document; }
    // A plain write (two-way bindings): no undo step, no selection cleaning.
    void setDocument(const LabelDocument &document);

    const QSet<QUuid> &selectedIDs() const { return m_selectedIDs; }
    void setSelectedIDs(const QSet<QUuid> &ids);

    bool showsLibrary() const { return m_showsLibrary; }
    void setShowsLibrary(bool shows);
    bool showsData() const { return m_showsData; }
    void setShowsData(bool shows);
    bool showsBatch() const { return m_showsBatch; }
    void setShowsBatch(bool shows);
    bool batchExport() const { return m_batchExport; }
    void setBatchExport(bool exports);

    qint64 previewRow() const { return m_previewRow; }
    void setPreviewRow(qint64 row);

    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    bool showsGrid() const { return m_showsGrid; }
    void setShowsGrid(bool shows);

    const std::optional<QString> &statusKey() const { return m_statusKey; }
    void setStatusKey(const std::optional<QString> &key);
    const QString &statusArgument() const { return m_statusArgument; }
    void setStatusArgument(const QString &argument);

    const std::optional<QString> &fileURL() const { return m_fileURL; }
    void setFileURL(const std::optional<QString> &path);

    const QList<LabelDocument> &undoStack() const { return m_undoStack; }
    const QList<LabelDocument> &redoStack() const { return m_redoStack; }

    // --- Editor-internal state ------------------------------------------------------
    // The document as last opened or saved; absent for a document never saved.
    const std::optional<LabelDocument> &saved() const { return m_saved; }
    void setSaved(const std::optional<LabelDocument> &document) { m_saved = document; }

    // The document as it was when the running gesture began; absent without a gesture.
    const std::optional<LabelDocument> &dragStart() const { return m_dragStart; }
    void setDragStart(const std::optional<LabelDocument> &document) { m_dragStart = document; }
    // Starts a pointer gesture from the current document. A gesture still running (a
    // release that never arrived) is closed first so that its step is not lost.
    void beginDrag();

    // Whether the document may be saved to a path; the workspace installs its own test.
    const std::function<bool(const QString &)> &maySaveTo() const { return m_maySaveTo; }
    void setMaySaveTo(std::function<bool(const QString &)> test);

    // Where alerts are shown; tests install a recorder.
    const std::shared_ptr<EditorAlerts> &alerts() const { return m_alerts; }
    void setAlerts(std::shared_ptr<EditorAlerts> alerts);

    // --- Undo -----------------------------------------------------------------------
    // The one undoable edit: runs `change` on a copy and records the old document only
    // when the copy differs.
    void apply(const std::function<void(LabelDocument &)> &change);
    void undo();
    void redo();
    // Closes a gesture or nudge as one undo step.
    void endDrag();

    bool dirty() const;

    // --- Selection ------------------------------------------------------------------
    // The first selected element in drawing order (the lowest layer, not the last clicked).
    std::optional<QUuid> selectedID() const;
    void setSelectedID(const std::optional<QUuid> &id);
    std::optional<LabelElement> selected() const;
    // The selected elements in drawing order.
    QList<LabelElement> selection() const;
    void select(const std::optional<QUuid> &id, bool extending);
    // One undoable edit of the element `selected`.
    void changeElement(const std::function<void(LabelElement &)> &change);

    // The document as the canvas draws it: the preview row of its table bound in.
    LabelDocument renderDocument() const;

    // --- Editing commands -----------------------------------------------------------
    void add(ElementKind kind);
    // Appends copies with fresh identifiers on top as one undo step and selects them.
    // False, with the reason in `statusKey`, when the result would not be a valid document.
    bool insert(const QList<LabelElement> &elements, bool offset);
    void deleteSelection();
    void selectAll();
    void nudgeSelection(int horizontal, int vertical, int steps);
    bool commitInlineText(const QString &text, const QUuid &id);
    void align(Alignment alignment);
    void changeLayer(bool front);
    // Throws the image check's error, DocumentIssue::invalidImage or invalidGeometry.
    void addImage(const QByteArray &bytes, const QString &name, const std::optional<QString> &graphicID);
    // Throws the table check's TableIssue or the document check's DocumentIssue.
    void attachTable(const LabelTable &table);
    void replaceTable(const std::optional<LabelTable> &table);

    // --- Drag and resize ------------------------------------------------------------
    // Moves the selection so that the primary element's origin lands near `to` (mm),
    // snapping to the other elements and the grid; returns the guides to draw.
    QList<ElementSnapGuide> drag(QPointF to, double snapTolerancePoints);
    // Resizes the single selected element so that `handle` lands near `to` (mm).
    void resize(QPointF to, ElementResizeHandle handle);
    // The value moved to the `steps`-th grid line in a direction (the grid must be shown).
    double nudgedGridValue(double value, int direction, int steps) const;

    // --- Alerts ---------------------------------------------------------------------
    QString errorText(const std::exception &error) const;
    // Modal alert with the error's text.
    void show(const std::exception &error);
    // Modal alert with the text of a key, for commands refused outright.
    void showKey(const QString &key);

Q_SIGNALS:
    // After every announced write below, and for every change of the grid preferences.
    void changed();
    void documentChanged();
    void selectedIDsChanged();
    void showsLibraryChanged();
    void showsDataChanged();
    void showsBatchChanged();
    void batchExportChanged();
    void previewRowChanged();
    void zoomChanged();
    void showsGridChanged();
    void statusKeyChanged();
    void statusArgumentChanged();
    void fileURLChanged();
    void undoStackChanged();
    void redoStackChanged();

private:
    template <typename Signal> void announce(Signal signal);
    void writeDocument(const LabelDocument &document);
    void writeStatusKey(const std::optional<QString> &key);
    void pushUndo(const LabelDocument &document);
    void closeGesture();
    void normalizeSelection();
    static bool allowsDraggedGeometry(const LabelDocument &document);
    // The grid step while the grid is shown; nullopt while it is hidden.
    std::optional<double> gridStep() const;
    QString localizedText(const QString &key) const;

    const QUuid m_id;
    LabelDocument m_document;
    QSet<QUuid> m_selectedIDs;
    bool m_showsLibrary = false;
    bool m_showsData = false;
    bool m_showsBatch = false;
    bool m_batchExport = false;
    qint64 m_previewRow = 0;
    double m_zoom = 1.5;
    bool m_showsGrid = false;
    std::optional<QString> m_statusKey;
    QString m_statusArgument;
    std::optional<QString> m_fileURL;
    QList<LabelDocument> m_undoStack;
    QList<LabelDocument> m_redoStack;
    std::optional<LabelDocument> m_saved;
    std::optional<LabelDocument> m_dragStart;
    QPointer<EditorGridPreferences> m_gridPreferences;
    QPointer<Localization> m_localization;
    std::function<bool(const QString &)> m_maySaveTo;
    std::shared_ptr<EditorAlerts> m_alerts;

    // --- Clipboard, saving, the save prompt, export and print ----------------------
    // Defined in EditorStoreExchange.cpp over the functions of ElementClipboard,
    // DocumentSaving and PrintHandoff, which take values and the dialogs, not the store.
public:
    // Where the save, print and prompt dialogs and the clipboard are reached; tests
    // install their own. Absent: the application's Qt dialogs.
    EditorDialogs &dialogs() const;
    void setDialogs(std::shared_ptr<EditorDialogs> dialogs);

    // Writes the selected elements to the clipboard; false when nothing was written.
    bool copySelection();
    // Copies, then deletes the selection only when the copy was written.
    bool cut();
    // Inserts the clipboard's elements, moved, as one undo step.
    void paste();
    // Save (false) and Save As (true); true when the file was written.
    bool save(bool saveAs);
    // Writes to `path` and makes it the document's file; throws on failure.
    void saveTo(const QString &path);
    // The modal save prompt before the document closes.
    CloseDecision closeDecision();
    // The batch sheet's end: a PDF file, or the print dialog.
    void exportPrepared(const LabelPrintJob &job);
    void printPrepared(const LabelPrintJob &job);

private:
    std::shared_ptr<EditorDialogs> m_dialogs;
};

QString rawValue(EditorStore::Alignment alignment);

} // namespace kestrivane
