#include "app/library/GraphicLibraryView.h"

#include "app/library/GraphicLibraryGrid.h"
#include "app/library/GraphicLibraryItems.h"
#include "app/library/GraphicLibraryLook.h"
#include "app/library/GraphicLibraryModel.h"
#include "core/l10n/Localization.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

// The sign tab of the graphic library panel: the search and the category over the grid of
// the program's signs.

namespace kestrivane {

using namespace graphiclibrary;

namespace {

constexpr int categoryWidth = 340;

} // namespace

// The sign tab: search and category over the sign grid.
void GraphicLibraryView::buildSignTab()
{
    auto *signPage = new QWidget(m_pages);
    auto *signLayout = new QVBoxLayout(signPage);
    signLayout->setContentsMargins(0, 0, 0, 0);
    signLayout->setSpacing(contentSpacing);
    auto *filters = new QHBoxLayout;
    m_search = new QLineEdit(signPage);
    m_search->setObjectName(QStringLiteral("signSearch"));
    m_categoryLabel = new QLabel(signPage);
    m_categories = new QComboBox(signPage);
    m_categories->setObjectName(QStringLiteral("signCategory"));
    m_categories->setFixedWidth(categoryWidth);
    m_categoryLabel->setBuddy(m_categories);
    filters->addWidget(m_search, 1);
    filters->addWidget(m_categoryLabel);
    filters->addWidget(m_categories);
    signLayout->addLayout(filters);
    m_signGrid = new Grid(
        [this](int width) {
            const QFont caption = captionFont(m_signGrid->font());
            qsizetype lines = 1;
            for (const GraphicSign &sign : m_signItems->signs())
                lines =
                    std::max(lines, ItemDelegate::titleLines(m_l10n->text(sign.titleKey), caption, width, 0).size());
            return int(lines);
        },
        m_delegate, signPage);
    m_signGrid->setObjectName(QStringLiteral("signGrid"));
    m_signGrid->setModel(m_signItems);
    signLayout->addWidget(m_signGrid, 1);
    m_pages->addWidget(signPage);

    QStringList categories;
    for (const GraphicSign &sign : m_model->signs())
        categories.append(sign.categoryKey);
    categories.removeDuplicates();
    // By the keys themselves, so the order is the same in every language.
    std::sort(categories.begin(), categories.end());
    m_categories->addItem(QString(), QString());
    for (const QString &key : std::as_const(categories))
        m_categories->addItem(QString(), key);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_query = text;
        refreshSigns();
    });
    connect(m_categories, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_category = m_categories->itemData(index).toString();
        refreshSigns();
    });
    connect(m_signGrid, &Grid::chosen, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_signItems->signs().size())
            select(m_signItems->signs()[index.row()].id);
    });
}

QList<GraphicSign> GraphicLibraryView::visibleSigns() const
{
    const QLocale locale(localeCode());
    const QString needle = locale.toLower(m_query);
    QList<GraphicSign> visible;
    for (const GraphicSign &sign : m_model->signs()) {
        if (!m_category.isEmpty() && sign.categoryKey != m_category)
            continue;
        if (!needle.isEmpty() && !locale.toLower(m_l10n->text(sign.titleKey)).contains(needle))
            continue;
        visible.append(sign);
    }
    return visible;
}

void GraphicLibraryView::refreshSigns()
{
    m_signItems->setSigns(visibleSigns());
    m_signGrid->relayout();
    refreshControls();
}

} // namespace kestrivane
