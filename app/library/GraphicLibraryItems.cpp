#include "app/library/GraphicLibraryItems.h"

#include "app/library/GraphicLibraryModel.h"
#include "core/l10n/Localization.h"

#include <utility>

namespace kestrivane::graphiclibrary {

SignListModel::SignListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent)
    : QAbstractListModel(parent), m_model(model), m_l10n(l10n)
{
}

void SignListModel::setSigns(const QList<GraphicSign> &signs)
{
    beginResetModel();
    m_signs = signs;
    endResetModel();
}

void SignListModel::setSelected(const std::optional<QString> &id)
{
    if (id == m_selected)
        return;
    const std::optional<QString> old = std::exchange(m_selected, id);
    for (qsizetype row = 0; row < m_signs.size(); ++row) {
        if (m_signs[row].id == old || m_signs[row].id == id)
            Q_EMIT dataChanged(index(int(row)), index(int(row)), {selectedRole});
    }
}

QVariant SignListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_signs.size())
        return {};
    const GraphicSign &sign = m_signs[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return m_l10n.text(sign.titleKey);
    case Qt::DecorationRole: return m_model.image(sign);
    case stateRole: return int(m_model.image(sign).isNull() ? ThumbnailState::none : ThumbnailState::ready);
    case selectedRole: return m_selected == sign.id;
    case maximumLinesRole: return 0;
    default: return {};
    }
}

UploadedListModel::UploadedListModel(GraphicLibraryModel &model, Localization &l10n, QObject *parent)
    : QAbstractListModel(parent), m_model(model), m_l10n(l10n)
{
    // The first listing may have ended before the panel was made.
    reset();
    connect(&model, &GraphicLibraryModel::uploadedChanged, this, [this] {
        beginResetModel();
        reset();
        endResetModel();
    });
    connect(&model, &GraphicLibraryModel::userImagesChanged, this, [this] { refreshStates(); });
    connect(&model, &GraphicLibraryModel::failedImagesChanged, this, [this] { refreshStates(); });
}

void UploadedListModel::setSelected(const std::optional<QUuid> &id)
{
    if (id == m_selected)
        return;
    const std::optional<QUuid> old = std::exchange(m_selected, id);
    const QList<UserGraphic> &graphics = m_model.uploaded();
    for (qsizetype row = 0; row < graphics.size(); ++row) {
        if (graphics[row].id == old || graphics[row].id == id)
            Q_EMIT dataChanged(index(int(row)), index(int(row)), {selectedRole});
    }
}

void UploadedListModel::retranslate()
{
    if (!m_states.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_states.size()) - 1), {failureTextRole});
}

QVariant UploadedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_states.size() || index.row() >= m_model.uploaded().size())
        return {};
    const UserGraphic &graphic = m_model.uploaded()[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return graphic.displayName;
    case Qt::DecorationRole: return m_model.image(graphic);
    case stateRole: {
        const ThumbnailState state = stateOf(graphic);
        // Only painted cells ask: this is where a picture comes into view.
        if (state == ThumbnailState::loading)
            m_model.loadImage(graphic);
        return int(state);
    }
    case selectedRole: return m_selected == graphic.id;
    case maximumLinesRole: return 2;
    case failureTextRole: return m_l10n.text(errorImageKey);
    default: return {};
    }
}

ThumbnailState UploadedListModel::stateOf(const UserGraphic &graphic) const
{
    if (m_model.userImages().contains(graphic.id))
        return ThumbnailState::ready;
    if (m_model.failedImages().contains(graphic.id))
        return ThumbnailState::failed;
    return ThumbnailState::loading;
}

void UploadedListModel::reset()
{
    m_states.clear();
    for (const UserGraphic &graphic : m_model.uploaded())
        m_states.append(stateOf(graphic));
}

void UploadedListModel::refreshStates()
{
    const QList<UserGraphic> &graphics = m_model.uploaded();
    for (qsizetype row = 0; row < m_states.size() && row < graphics.size(); ++row) {
        const ThumbnailState state = stateOf(graphics[row]);
        if (state != m_states[row]) {
            m_states[row] = state;
            Q_EMIT dataChanged(index(int(row)), index(int(row)), {stateRole, Qt::DecorationRole});
        }
    }
}

} // namespace kestrivane::graphiclibrary
