#include "app/library/GraphicLibraryView.h"

#include "app/artwork/ArtworkIcon.h"
#include "app/library/GraphicLibraryGrid.h"
#include "app/library/GraphicLibraryItems.h"
#include "app/library/GraphicLibraryLook.h"
#include "app/library/GraphicLibraryModel.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

// The uploaded tab of the graphic library panel: the Upload button over a spinner while the
// user's pictures are listed, then their grid or the text that there are none.

namespace kestrivane {

using namespace graphiclibrary;

namespace {

constexpr int uploadIconSide = 18;
constexpr int spinnerInterval = 80;

// The busy indicator shown while the user's pictures are listed; it turns only while shown.
class BusyIndicator final : public QWidget {
public:
    explicit BusyIndicator(QWidget *parent = nullptr) : QWidget(parent)
    {
        setFixedSize(24, 24);
        m_timer.setInterval(spinnerInterval);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            ++m_phase;
            update();
        });
    }

protected:
    void showEvent(QShowEvent *) override { m_timer.start(); }
    void hideEvent(QHideEvent *) override { m_timer.stop(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintBusyArc(painter, rect(), m_phase, secondaryColor(palette()));
    }

private:
    QTimer m_timer;
    int m_phase = 0;
};

} // namespace

// The uploaded tab: the Upload button over the spinner, the grid or the empty text.
void GraphicLibraryView::buildUploadedTab()
{
    auto *uploadedPage = new QWidget(m_pages);
    auto *uploadedLayout = new QVBoxLayout(uploadedPage);
    uploadedLayout->setContentsMargins(0, 0, 0, 0);
    uploadedLayout->setSpacing(contentSpacing);
    m_upload = new QPushButton(uploadedPage);
    m_upload->setObjectName(QStringLiteral("uploadButton"));
    m_upload->setIcon(artworkIcon(QStringLiteral("open")));
    m_upload->setIconSize(QSize(uploadIconSide, uploadIconSide));
    m_upload->setAutoDefault(false);
    uploadedLayout->addWidget(m_upload, 0, Qt::AlignLeft);
    m_uploadedContent = new QStackedWidget(uploadedPage);
    auto *spinnerPage = new QWidget(m_uploadedContent);
    auto *spinnerLayout = new QVBoxLayout(spinnerPage);
    spinnerLayout->addWidget(new BusyIndicator(spinnerPage), 0, Qt::AlignCenter);
    m_uploadedContent->addWidget(spinnerPage);
    m_uploadedGrid = new Grid(
        [this](int width) {
            const QFont caption = captionFont(m_uploadedGrid->font());
            qsizetype lines = 1;
            for (const UserGraphic &graphic : m_model->uploaded()) {
                lines = std::max(lines, ItemDelegate::titleLines(graphic.displayName, caption, width, 2).size());
                if (lines == 2)
                    break;
            }
            return int(lines);
        },
        m_delegate, m_uploadedContent);
    m_uploadedGrid->setObjectName(QStringLiteral("uploadedGrid"));
    m_uploadedGrid->setModel(m_uploadedItems);
    m_uploadedContent->addWidget(m_uploadedGrid);
    m_uploadedEmpty = new QLabel(m_uploadedContent);
    m_uploadedEmpty->setObjectName(QStringLiteral("uploadedEmpty"));
    m_uploadedEmpty->setAlignment(Qt::AlignCenter);
    m_uploadedEmpty->setWordWrap(true);
    setTextColor(m_uploadedEmpty, secondaryColor(palette()));
    m_uploadedContent->addWidget(m_uploadedEmpty);
    uploadedLayout->addWidget(m_uploadedContent, 1);
    m_pages->addWidget(uploadedPage);

    connect(m_upload, &QPushButton::clicked, this, [this] { upload(); });
    connect(m_uploadedGrid, &Grid::chosen, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_model->uploaded().size())
            select(m_model->uploaded()[index.row()].id);
    });

    // The cells' spinners turn while one of them is in view.
    m_spinnerTimer = new QTimer(this);
    m_spinnerTimer->setInterval(spinnerInterval);
    connect(m_spinnerTimer, &QTimer::timeout, this, [this] {
        if (!m_delegate->takeSpinnerPainted()) {
            m_spinnerTimer->stop();
            return;
        }
        m_delegate->advance();
        m_uploadedGrid->viewport()->update();
    });
    m_delegate->spinnerPainted = [this] {
        if (!m_spinnerTimer->isActive())
            m_spinnerTimer->start();
    };
}

void GraphicLibraryView::refreshUploaded()
{
    m_uploadedContent->setCurrentIndex(m_model->loadingUploaded() ? 0 : m_model->uploaded().isEmpty() ? 2 : 1);
    m_uploadedGrid->relayout();
    refreshControls();
}

} // namespace kestrivane
