#pragma once

// The pieces of the catalog screen that draw themselves: the label outline that stands in
// for a template without a picture, the activity spinner, the list models of items and
// categories, and the delegates of rows, cards and category buttons.

#include "core/catalog/CatalogModel.h"

#include <QAbstractListModel>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QWidget>

class QTimer;

namespace kestrivane {

class Localization;
class TemplateCatalogStore;

namespace catalogstyle {
enum class Text { caption, callout, headline, title3, title2 };
QFont font(Text style, QFont::Weight weight = QFont::Normal);
QColor secondary(const QPalette &palette);
QColor accent(const QPalette &palette);
QColor underPage(const QPalette &palette);
// The translucent panel drawn under an activity overlay.
QColor material(const QPalette &palette);
QString sizeText(const Localization &l10n, const CatalogItem &item);
// `text` cut to at most `lines` lines of `width` in `font`, the last one ending in an ellipsis
// where the text is longer.
QString wrappedText(const QFont &font, double width, const QString &text, int lines);
} // namespace catalogstyle

// A plain label of an item's proportions, centred in a box.
namespace CatalogShapePlaceholder {
struct Geometry {
    double ratio = 0;
    QSizeF size;
    double cornerRadius = 0;
};
Geometry geometry(double widthMm, double heightMm, const QSizeF &box);
void paint(QPainter &painter, const QRectF &box, double widthMm, double heightMm);
} // namespace CatalogShapePlaceholder

// A scroll area that is a Tab stop of its own, for text that can be taller than the panel
// and is scrolled from the keyboard; a ring over its edge shows when it has the keys.
class FocusRingScrollArea final : public QScrollArea {
    Q_OBJECT
public:
    explicit FocusRingScrollArea(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_ring;
};

// A small painted activity indicator; it animates only while visible.
class ActivitySpinner final : public QWidget {
    Q_OBJECT
public:
    explicit ActivitySpinner(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {18, 18}; }
    // One frame of the indicator, chosen by the clock, into `rect`.
    static void paintFrame(QPainter &painter, const QRectF &rect, const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer *m_timer;
};

// The store's items, one row each. A snapshot that only grew at the end inserts rows, so
// that the scroll position and the current row stay.
class CatalogItemModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CatalogItemModel(TemplateCatalogStore *store, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    const CatalogItem &item(int row) const;
    void sync();

private:
    TemplateCatalogStore *m_store;
    QStringList m_ids;
};

// "All", then the snapshot's categories.
class CatalogCategoryModel final : public QAbstractListModel {
    Q_OBJECT
public:
    CatalogCategoryModel(TemplateCatalogStore *store, Localization *l10n, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // The category id of a row; empty for "All".
    std::optional<QString> categoryID(int row) const;
    // The row of a category id, 0 for none ("All"); -1 when it is not listed.
    int row(const std::optional<QString> &id) const;
    void sync();

private:
    TemplateCatalogStore *m_store;
    Localization *m_l10n;
    QList<CatalogCategory> m_categories;
};

class CatalogCategoryDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    CatalogCategoryDelegate(TemplateCatalogStore *store, QObject *parent = nullptr);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    TemplateCatalogStore *m_store;
};

// Rows in list mode and cards in preview mode. Card thumbnails are drawn once per item,
// size and pixel ratio and kept as pixmaps.
class CatalogItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int cardThumbnailHeight = 126;
    static constexpr int gridGap = 12;
    static constexpr int minimumCardWidth = 190;
    static constexpr int maximumCardWidth = 280;

    CatalogItemDelegate(TemplateCatalogStore *store, Localization *l10n, QObject *parent = nullptr);
    void setCards(bool cards) { m_cards = cards; }
    bool cards() const { return m_cards; }
    void setCardWidth(int width) { m_cardWidth = width; }
    int cardHeight() const;
    int rowHeight() const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Forgets the drawn thumbnail of one item, or of all when `id` is empty.
    void dropThumbnail(const QString &id);

private:
    void paintRow(QPainter &painter, const QRectF &rect, const CatalogItem &item, bool selected,
                  const QPalette &palette) const;
    void paintCard(QPainter &painter, const QRectF &rect, const CatalogItem &item, bool selected,
                   const QPalette &palette) const;
    // The thumbnail with its rounded corners and background: the item's document, or the
    // outline of its proportions when it has none.
    QPixmap thumbnail(const CatalogItem &item, QSize size, double ratio, const QPalette &palette) const;
    // The card's shadow, face and border.
    QPixmap frame(QSize size, bool selected, double ratio, const QPalette &palette) const;
    // What a card shows below its thumbnail, measured and cut to its room: laying text out
    // is most of a frame's cost, so each card's is kept until its text or room changes.
    struct CardTexts {
        QString name; // in at most two lines, the last one cut with an ellipsis
        double nameHeight = 0;
        QString size;
        double sizeWidth = 0;
        QString category; // cut to the room beside the size
    };
    const CardTexts &cardTexts(QPainter &painter, const CatalogItem &item, double width, const QFont &nameFont,
                               const QFont &caption) const;

    TemplateCatalogStore *m_store;
    Localization *m_l10n;
    bool m_cards = true;
    int m_cardWidth = minimumCardWidth;
    mutable QHash<QString, QPixmap> m_thumbnails;
    mutable QHash<QString, QPixmap> m_frames;
    mutable QHash<std::pair<QString, double>, CardTexts> m_cardTexts; // texts and width
    mutable std::pair<QFont, QFont> m_cardFonts;
    mutable int m_cardDpi = 0;
};

} // namespace kestrivane
