#include "app/library/GraphicLibraryView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/common/Delivery.h"
#include "app/editor/EditorStore.h"
#include "app/io/EditorDialogs.h"
#include "app/library/GraphicLibraryGrid.h"
#include "app/library/GraphicLibraryItems.h"
#include "app/library/GraphicLibraryLook.h"
#include "app/library/GraphicLibraryModel.h"
#include "core/common/DocumentIssue.h"
#include "core/l10n/Localization.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QException>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// The graphic library panel itself: its frame (title, tabs, error lines, bottom bar), the
// language, the selection, inserting and uploading, and closing. The two tabs' pages are
// built in GraphicLibrarySignTab.cpp and GraphicLibraryUploadedTab.cpp.

namespace kestrivane {

using namespace graphiclibrary;

namespace {

// The error red of the program's sheets.
QColor errorRed()
{
    return destructiveTint();
}

constexpr int panelWidth = 820;
constexpr int panelHeight = 620;
constexpr int panelInset = 24;
constexpr int panelSpacing = 16;

QFont titleFont(QFont font)
{
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
    font.setPointSizeF(size + 5);
    font.setBold(true);
    return font;
}

// The key the panel shows for a failure: a document error its own, anything else that the
// picture could not be used. The model's futures may carry an error wrapped by the thread
// pool; the original decides.
QString errorKeyOf(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const DocumentError &documentError) {
        return documentError.key();
    } catch (const QUnhandledException &wrapped) {
        if (wrapped.exception())
            return errorKeyOf(wrapped.exception());
    } catch (...) {
    }
    return errorImageKey;
}

QString imageFilter()
{
    return QStringLiteral("*.png *.PNG *.jpg *.jpeg *.JPG *.JPEG *.tif *.tiff *.TIF *.TIFF *.bmp *.BMP");
}

int thumbnailSideFor(const QWidget *parent)
{
    const double ratio = parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio();
    return std::max(1, qRound(thumbnailPoints * ratio));
}

} // namespace

UserGraphicLibrary GraphicLibraryView::defaultUserLibrary()
{
    return UserGraphicLibrary(UserGraphicLibrary::defaultDirectory(), userLibraryBudget, userLibraryLimit);
}

GraphicLibraryView::GraphicLibraryView(EditorStore *store, Localization *l10n, const UserGraphicLibrary &userLibrary,
                                       QWidget *parent)
    : GraphicLibraryView(store, l10n, std::make_unique<GraphicLibraryModel>(userLibrary, thumbnailSideFor(parent)),
                         parent)
{
}

GraphicLibraryView::GraphicLibraryView(EditorStore *store, Localization *l10n,
                                       std::unique_ptr<GraphicLibraryModel> model, QWidget *parent)
    : QDialog(parent), m_store(store), m_l10n(l10n), m_model(std::move(model))
{
    Q_ASSERT(store && l10n && m_model);
    build();
    retranslate();
    refreshUploaded();

    connect(m_l10n, &Localization::languageChanged, this, [this] { retranslate(); });
    connect(m_store, &EditorStore::showsLibraryChanged, this, [this] {
        if (m_store && !m_store->showsLibrary())
            finish(QDialog::Rejected);
    });
    connect(m_store, &QObject::destroyed, this, [this] { finish(QDialog::Rejected); });
    connect(m_model.get(), &GraphicLibraryModel::uploadedChanged, this, [this] { refreshUploaded(); });
    connect(m_model.get(), &GraphicLibraryModel::uploadedFailedChanged, this, [this] { refreshControls(); });
    connect(m_model.get(), &GraphicLibraryModel::loadingUploadedChanged, this, [this] { refreshUploaded(); });
}

GraphicLibraryView::~GraphicLibraryView()
{
    // The grids and their item models read the library model: they go first.
    delete m_pages;
    m_pages = nullptr;
}

GraphicLibraryView *GraphicLibraryView::makeForEditor(EditorStore *store, Localization *l10n, QWidget *parent)
{
    auto *view = new GraphicLibraryView(store, l10n, defaultUserLibrary(), parent);
    view->setWindowModality(Qt::WindowModal);
    connect(view, &QDialog::finished, view, &QObject::deleteLater);
    return view;
}

void GraphicLibraryView::build()
{
    setFixedSize(panelWidth, panelHeight);
    setSizeGripEnabled(false);
    setWindowModality(Qt::WindowModal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(panelInset, panelInset, panelInset, panelInset);
    layout->setSpacing(panelSpacing);

    m_title = new QLabel(this);
    m_title->setFont(titleFont(font()));
    layout->addWidget(m_title);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("libraryTabs"));
    m_tabs->addTab(QString());
    m_tabs->addTab(QString());
    m_tabs->setExpanding(true);
    m_tabs->setDrawBase(false);
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { changeTab(index); });

    m_delegate = new ItemDelegate(this);
    m_signItems = new SignListModel(*m_model, *m_l10n, this);
    m_uploadedItems = new UploadedListModel(*m_model, *m_l10n, this);

    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);

    buildSignTab();
    buildUploadedTab();

    m_errorLine = new QLabel(this);
    m_errorLine->setObjectName(QStringLiteral("errorLine"));
    m_errorLine->setWordWrap(true);
    setTextColor(m_errorLine, errorRed());
    layout->addWidget(m_errorLine);
    m_failedLine = new QLabel(this);
    m_failedLine->setObjectName(QStringLiteral("failedLine"));
    m_failedLine->setWordWrap(true);
    setTextColor(m_failedLine, errorRed());
    layout->addWidget(m_failedLine);

    auto *bottom = new QHBoxLayout;
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLine"));
    setTextColor(m_count, secondaryColor(palette()));
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    m_insert = new QPushButton(this);
    m_insert->setObjectName(QStringLiteral("insertButton"));
    m_insert->setDefault(true);
    bottom->addWidget(m_count);
    bottom->addStretch(1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_insert);
    layout->addLayout(bottom);
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_insert, &QPushButton::clicked, this, [this] { insert(); });

    m_search->setFocus();
    refreshSigns();
}

QString GraphicLibraryView::localeCode() const
{
    return rawValue(m_l10n->language());
}

void GraphicLibraryView::retranslate()
{
    const Localization &l10n = *m_l10n;
    setWindowTitle(l10n.text(QStringLiteral("mac.sign_library")));
    m_title->setText(l10n.text(QStringLiteral("mac.sign_library")));
    m_tabs->setTabText(0, l10n.text(QStringLiteral("mac.library_signs")));
    m_tabs->setTabText(1, l10n.text(QStringLiteral("mac.uploaded_images")));
    m_search->setPlaceholderText(l10n.text(QStringLiteral("mac.search")));
    m_categoryLabel->setText(l10n.text(QStringLiteral("mac.category")));
    m_categories->setItemText(0, l10n.text(QStringLiteral("mac.all_signs")));
    for (int index = 1; index < m_categories->count(); ++index)
        m_categories->setItemText(index, l10n.text(m_categories->itemData(index).toString()));
    m_upload->setText(l10n.text(QStringLiteral("mac.upload_image")));
    m_uploadedEmpty->setText(l10n.text(QStringLiteral("mac.uploaded_images_empty")));
    m_cancel->setText(l10n.text(QStringLiteral("btn_canc")));
    m_insert->setText(l10n.text(QStringLiteral("mac.insert")));
    setLocale(QLocale(localeCode()));
    m_uploadedItems->retranslate();
    // The search looks at the titles of the new language.
    refreshSigns();
}

int GraphicLibraryView::visibleCount() const
{
    return int(m_tab == GraphicLibraryTab::uploaded ? m_model->uploaded().size() : m_signItems->signs().size());
}

bool GraphicLibraryView::canInsert() const
{
    if (!m_selected)
        return false;
    if (const auto *id = std::get_if<QString>(&*m_selected)) {
        return m_tab == GraphicLibraryTab::signs &&
               std::any_of(m_signItems->signs().begin(), m_signItems->signs().end(),
                           [&](const GraphicSign &sign) { return sign.id == *id; });
    }
    const QUuid id = std::get<QUuid>(*m_selected);
    return m_tab == GraphicLibraryTab::uploaded &&
           std::any_of(m_model->uploaded().begin(), m_model->uploaded().end(),
                       [&](const UserGraphic &graphic) { return graphic.id == id; });
}

void GraphicLibraryView::refreshControls()
{
    const bool onSigns = m_tab == GraphicLibraryTab::signs;
    m_tabs->setEnabled(!m_working);
    m_pages->setEnabled(!m_working);
    m_upload->setEnabled(!m_working && !m_model->loadingUploaded());
    m_cancel->setEnabled(!m_working);
    m_insert->setEnabled(!m_working && canInsert());

    m_errorLine->setText(m_errorKey ? m_l10n->text(*m_errorKey) : QString());
    m_errorLine->setVisible(m_errorKey.has_value());
    const bool sourceFailed = onSigns ? m_model->failed() : m_model->uploadedFailed();
    m_failedLine->setText(m_l10n->text(errorImageKey));
    m_failedLine->setVisible(sourceFailed);
    m_count->setText(m_l10n->count(QStringLiteral("mac.items_count"), visibleCount()));
}

void GraphicLibraryView::changeTab(int index)
{
    const GraphicLibraryTab tab = index == 1 ? GraphicLibraryTab::uploaded : GraphicLibraryTab::signs;
    if (tab == m_tab)
        return;
    m_tab = tab;
    m_pages->setCurrentIndex(index);
    m_selected.reset();
    m_errorKey.reset();
    m_signItems->setSelected(std::nullopt);
    m_uploadedItems->setSelected(std::nullopt);
    refreshControls();
}

void GraphicLibraryView::select(const GraphicLibrarySelection &selection)
{
    m_selected = selection;
    const auto *sign = std::get_if<QString>(&selection);
    const auto *graphic = std::get_if<QUuid>(&selection);
    m_signItems->setSelected(sign ? std::optional<QString>(*sign) : std::nullopt);
    m_uploadedItems->setSelected(graphic ? std::optional<QUuid>(*graphic) : std::nullopt);
    refreshControls();
}

void GraphicLibraryView::setWorking(bool working)
{
    m_working = working;
    refreshControls();
}

void GraphicLibraryView::setErrorKey(const std::optional<QString> &key)
{
    m_errorKey = key;
    refreshControls();
}

void GraphicLibraryView::insert()
{
    if (m_working || m_finished || !m_store || !canInsert())
        return;
    if (const auto *id = std::get_if<QString>(&*m_selected)) {
        const QList<GraphicSign> &signs = m_signItems->signs();
        const auto sign = std::find_if(signs.begin(), signs.end(), [&](const GraphicSign &s) { return s.id == *id; });
        if (sign == signs.end())
            return;
        try {
            const QByteArray png = sign->embeddedPNG();
            m_store->addImage(png, sign->id, sign->id);
        } catch (...) {
            setErrorKey(errorKeyOf(std::current_exception()));
            return;
        }
        finish(QDialog::Accepted);
        return;
    }

    const QUuid id = std::get<QUuid>(*m_selected);
    const QList<UserGraphic> &graphics = m_model->uploaded();
    const auto found = std::find_if(graphics.begin(), graphics.end(), [&](const UserGraphic &g) { return g.id == id; });
    if (found == graphics.end())
        return;
    const UserGraphic graphic = *found;
    setWorking(true);
    deliver(this, m_model->data(graphic), [this, graphic](QFuture<QByteArray> future) {
        if (m_finished)
            return;
        std::optional<QString> failure;
        try {
            const QByteArray png = future.result();
            if (!m_store)
                throwIssue(DocumentIssue::io);
            m_store->addImage(png, graphic.displayName, graphic.graphicID());
        } catch (...) {
            failure = errorKeyOf(std::current_exception());
        }
        setWorking(false);
        if (failure)
            setErrorKey(failure);
        else
            finish(QDialog::Accepted);
    });
}

void GraphicLibraryView::upload()
{
    if (m_working || m_finished || !m_store || m_model->loadingUploaded())
        return;
    EditorDialogs::OpenRequest request;
    request.nameFilters = {imageFilter()};
    request.multipleSelection = false;
    request.title = m_l10n->text(QStringLiteral("mac.upload_image"));
    request.acceptLabel = request.title;
    const QStringList files = m_store->dialogs().chooseOpenFiles(request);
    if (files.isEmpty() || files.first().isEmpty() || m_finished)
        return;
    setWorking(true);
    deliver(this, m_model->importImage(files.first()), [this](QFuture<UserGraphic> future) {
        if (m_finished)
            return;
        std::optional<UserGraphic> imported;
        std::optional<QString> failure;
        try {
            imported = future.result();
        } catch (...) {
            failure = errorKeyOf(std::current_exception());
        }
        setWorking(false);
        if (!imported) {
            setErrorKey(failure);
            return;
        }
        m_errorKey.reset();
        select(imported->id);
        const QList<UserGraphic> &graphics = m_model->uploaded();
        for (qsizetype row = 0; row < graphics.size(); ++row) {
            if (graphics[row].id == imported->id)
                m_uploadedGrid->scrollTo(m_uploadedItems->index(int(row)));
        }
    });
}

void GraphicLibraryView::finish(int result)
{
    if (m_finished)
        return;
    m_finished = true;
    m_working = false;
    m_spinnerTimer->stop();
    QDialog::done(result);
    if (m_store && m_store->showsLibrary())
        m_store->setShowsLibrary(false);
}

void GraphicLibraryView::done(int result)
{
    if (m_working)
        return;
    finish(result);
}

void GraphicLibraryView::reject()
{
    if (m_working)
        return;
    QDialog::reject();
}

void GraphicLibraryView::closeEvent(QCloseEvent *event)
{
    if (m_working) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void GraphicLibraryView::keyPressEvent(QKeyEvent *event)
{
    if (m_working &&
        (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestrivane
