#pragma once

// The item models behind the two grids of the graphic library panel: the visible signs of
// the sign tab, and the user's pictures with the state of each thumbnail.

#include "app/library/GraphicLibraryGrid.h"
#include "core/library/GraphicSign.h"
#include "core/library/UserGraphic.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

class GraphicLibraryModel;
class Localization;

namespace graphiclibrary {

// The text the panel shows for a picture it could not show or use.
inline const QString errorImageKey = QStringLiteral("mac.error_image");

// The visible signs of the sign tab.
class SignListModel final : public QAbstractListModel {
public:
    SignListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent);

    const QList<GraphicSign> &signs() const { return m_signs; }
    void setSigns(const QList<GraphicSign> &signs);
    void setSelected(const std::optional<QString> &id);

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_signs.size()); }
    QVariant data(const QModelIndex &index, int role) const override;

private:
    GraphicLibraryModel &m_model;
    Localization &m_l10n;
    QList<GraphicSign> m_signs;
    std::optional<QString> m_selected;
};

// The user's pictures in list order. A cell's picture is asked for when the view paints
// the cell, so a long list never makes every thumbnail.
class UploadedListModel final : public QAbstractListModel {
public:
    UploadedListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent);

    void setSelected(const std::optional<QUuid> &id);
    void retranslate();

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_states.size()); }
    QVariant data(const QModelIndex &index, int role) const override;

private:
    ThumbnailState stateOf(const UserGraphic &graphic) const;
    void reset();
    // Tells the view about the cells whose thumbnail arrived or failed.
    void refreshStates();

    GraphicLibraryModel &m_model;
    Localization &m_l10n;
    QList<ThumbnailState> m_states;
    std::optional<QUuid> m_selected;
};

} // namespace graphiclibrary
} // namespace kestrivane
