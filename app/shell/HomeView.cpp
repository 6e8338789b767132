#include "app/shell/HomeView.h"

#include "app/artwork/WindowsArtwork.h"
#include "app/common/ShellStyle.h"
#include "app/editor/EditorStore.h"
#include "app/shell/WorkspaceStore.h"
#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrivane {

using shellstyle::FontStyle;

CardButton::CardButton(int radius, bool outlined, QWidget *parent)
    : QAbstractButton(parent), m_radius(radius), m_outlined(outlined)
{
    setCursor(Qt::PointingHandCursor);
}

QSize CardButton::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QAbstractButton::sizeHint();
}

QSize CardButton::minimumSizeHint() const
{
    return layout() ? layout()->minimumSize() : QAbstractButton::minimumSizeHint();
}

void CardButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = palette().color(QPalette::Base);
    if (isDown())
        fill = fill.darker(106);
    painter.setBrush(fill);
    painter.setPen(m_outlined ? QPen(shellstyle::withAlpha(palette().color(QPalette::WindowText), 7), 1)
                              : QPen(Qt::NoPen));
    painter.drawRoundedRect(frame, m_radius, m_radius);
    if (hasFocus())
        shellstyle::paintFocusRing(painter, palette(), frame, m_radius);
}

HomeView::HomeView(WorkspaceStore *workspace, Localization *localization, QWidget *parent)
    : QScrollArea(parent), m_workspace(workspace), m_localization(localization)
{
    setFrameShape(QFrame::NoFrame);
    // A container, no Tab stop: focus goes to the tiles and rows, which scroll into view.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *canvas = new QWidget;
    canvas->setBackgroundRole(QPalette::Window);
    auto *centring = new QHBoxLayout(canvas);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addStretch(1);
    // The column keeps at most its width and stays in the middle of a wide window.
    auto *column = new QWidget(canvas);
    column->setMaximumWidth(columnWidth + 2 * padding);
    centring->addWidget(column, 1000);
    centring->addStretch(1);
    auto *sections = new QVBoxLayout(column);
    sections->setContentsMargins(padding, padding, padding, padding);
    sections->setSpacing(28);

    auto *header = new QHBoxLayout;
    header->setSpacing(18);
    header->addWidget(new WindowsArtwork(QStringLiteral("brand"), 70, column));
    auto *titles = new QVBoxLayout;
    titles->setSpacing(6);
    auto *product = new QLabel(QStringLiteral("Kestrivane"), column);
    QFont productFont = shellstyle::font(FontStyle::body, true);
    productFont.setPixelSize(30);
    product->setFont(productFont);
    titles->addWidget(product);
    m_subtitle = shellstyle::label(FontStyle::title3, true, column);
    titles->addWidget(m_subtitle);
    header->addLayout(titles);
    header->addStretch();
    m_language = new QComboBox(column);
    m_language->setFixedWidth(180);
    for (AppLanguage language : allAppLanguages)
        m_language->addItem(nativeName(language));
    // Only the user's choice writes the setting; showing the current language does not.
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        if (m_localization && index >= 0 && index < static_cast<int>(allAppLanguages.size()))
            m_localization->select(allAppLanguages[static_cast<size_t>(index)]);
    });
    header->addWidget(m_language);
    sections->addLayout(header);

    auto *tiles = new QHBoxLayout;
    tiles->setSpacing(20);
    tiles->setAlignment(Qt::AlignTop);
    const auto store = [this] { return m_workspace.data(); };
    tiles->addWidget(tile(QStringLiteral("homeNewLabel"), QStringLiteral("mac.create_label"),
                          QStringLiteral("mac.create_hint"),
                          [store] {
                              if (auto *workspace = store())
                                  workspace->newDocument();
                          }),
                     1, Qt::AlignTop);
    tiles->addWidget(tile(QStringLiteral("openLabel"), QStringLiteral("mac.open_label"),
                          QStringLiteral("mac.open_hint"),
                          [store] {
                              if (auto *workspace = store())
                                  workspace->openPanel();
                          }),
                     1, Qt::AlignTop);
    tiles->addWidget(tile(QStringLiteral("homeTemplates"), QStringLiteral("mac.from_template"),
                          QStringLiteral("mac.catalog_hint"),
                          [store] {
                              if (auto *workspace = store()) {
                                  workspace->setRoute(WorkspaceStore::Route::catalog);
                                  workspace->updateWindow();
                              }
                          }),
                     1, Qt::AlignTop);
    sections->addLayout(tiles);

    m_documents = new QWidget(column);
    auto *documents = new QVBoxLayout(m_documents);
    documents->setContentsMargins(0, 0, 0, 0);
    documents->setSpacing(10);
    m_documentsTitle = shellstyle::label(FontStyle::headline, false, m_documents);
    documents->addWidget(m_documentsTitle);
    m_rowLayout = documents;
    sections->addWidget(m_documents);
    sections->addStretch();
    setWidget(canvas);

    refresh();
}

CardButton *HomeView::tile(const QString &image, const QString &titleKey, const QString &subtitleKey,
                           std::function<void()> action)
{
    auto *button = new CardButton(16, true);
    auto *lines = new QVBoxLayout(button);
    lines->setContentsMargins(24, 24, 24, 24);
    lines->setSpacing(15);
    lines->addWidget(new WindowsArtwork(image, 112, button), 0, Qt::AlignLeft);
    Tile texts{shellstyle::label(FontStyle::title3, false, button), shellstyle::label(FontStyle::body, true, button),
               titleKey, subtitleKey};
    texts.title->setFont(shellstyle::font(FontStyle::title3, true));
    texts.title->setMinimumHeight(48);
    texts.subtitle->setMinimumHeight(58);
    for (QLabel *text : {texts.title, texts.subtitle}) {
        text->setWordWrap(true);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        lines->addWidget(text);
    }
    lines->addStretch();
    // Equal shares of the row, whatever the texts' lengths.
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(button, &QAbstractButton::clicked, this, std::move(action));
    m_tiles.append(button);
    m_tileTexts.append(texts);
    return button;
}

void HomeView::rebuildRows()
{
    for (const Row &row : std::as_const(m_rowParts)) {
        m_rowLayout->removeWidget(row.button);
        // A click on the row may still be running inside it.
        row.button->hide();
        row.button->deleteLater();
    }
    m_rowParts.clear();
    m_rows.clear();
    if (!m_workspace)
        return;
    for (EditorStore *tab : m_workspace->tabs()) {
        Row row;
        row.id = tab->id();
        row.button = new CardButton(8, false, m_documents);
        auto *items = new QHBoxLayout(row.button);
        items->setContentsMargins(12, 12, 12, 12);
        items->setSpacing(12);
        items->addWidget(new WindowsArtwork(QStringLiteral("openedLabel"), 22, row.button));
        row.name = shellstyle::label(FontStyle::body, false, row.button);
        row.name->setTextFormat(Qt::PlainText);
        row.name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        items->addWidget(row.name, 1);
        row.state = shellstyle::label(FontStyle::body, true, row.button);
        items->addWidget(row.state);
        const QUuid id = row.id;
        connect(row.button, &QAbstractButton::clicked, this, [this, id] {
            if (m_workspace)
                m_workspace->activate(id);
        });
        m_rowLayout->addWidget(row.button);
        m_rowParts.append(row);
        m_rows.append(row.button);
    }
}

void HomeView::refresh()
{
    if (!m_workspace || !m_localization)
        return;
    const Localization &l10n = *m_localization;
    m_subtitle->setText(l10n.text(QStringLiteral("mac.home_subtitle")));
    m_language->setToolTip(l10n.text(QStringLiteral("mac.language")));
    m_language->setAccessibleName(l10n.text(QStringLiteral("mac.language")));
    {
        const QSignalBlocker blocker(m_language);
        const auto current = std::find(allAppLanguages.begin(), allAppLanguages.end(), l10n.language());
        m_language->setCurrentIndex(static_cast<int>(current - allAppLanguages.begin()));
    }
    for (const Tile &texts : std::as_const(m_tileTexts)) {
        texts.title->setText(l10n.text(texts.titleKey));
        texts.subtitle->setText(l10n.text(texts.subtitleKey));
    }
    for (int i = 0; i < m_tiles.size(); ++i)
        m_tiles[i]->setAccessibleName(m_tileTexts[i].title->text());

    // Rows are made again only when the tabs themselves change, not on every edit.
    const QList<EditorStore *> &tabs = m_workspace->tabs();
    bool same = tabs.size() == m_rowParts.size();
    for (qsizetype i = 0; same && i < tabs.size(); ++i)
        same = tabs[i]->id() == m_rowParts[i].id;
    if (!same)
        rebuildRows();
    m_documents->setVisible(!tabs.isEmpty());
    m_documentsTitle->setText(l10n.text(QStringLiteral("mac.open_documents")));
    const QString unsaved = l10n.text(QStringLiteral("mac.unsaved"));
    const QString saved = l10n.text(QStringLiteral("mac.saved"));
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        const Row &row = m_rowParts[i];
        const QString &name = tabs[i]->document().name;
        if (row.name->text() != name) {
            row.name->setText(name);
            row.button->setAccessibleName(name);
        }
        const QString &state = tabs[i]->dirty() ? unsaved : saved;
        if (row.state->text() != state)
            row.state->setText(state);
    }
}

} // namespace kestrivane
