#include "app/table/BatchDraft.h"

#include <QDateTime>
#include <QException>

namespace kestrivane {

BatchDraft::BatchDraft(LabelDocument document, QObject *parent)
    : QObject(parent), m_document(std::make_shared<const LabelDocument>(std::move(document))),
      m_options(m_document->batch), m_launch(background::standardLauncher())
{
}

template <typename Signal> void BatchDraft::announce(Signal signal)
{
    Q_EMIT(this->*signal)();
    Q_EMIT changed();
}

void BatchDraft::setOptions(const BatchOptions &options)
{
    if (options == m_options)
        return;
    m_options = options;
    announce(&BatchDraft::optionsChanged);
    prepare();
}

void BatchDraft::setPage(qint64 page)
{
    if (page == m_page)
        return;
    m_page = page;
    announce(&BatchDraft::pageChanged);
}

void BatchDraft::prepare()
{
    const quint64 token = ++m_generation;
    m_preparing = true;
    announce(&BatchDraft::preparingChanged);
    m_error = nullptr;
    announce(&BatchDraft::errorChanged);
    m_job.reset();
    announce(&BatchDraft::jobChanged);

    const std::shared_ptr<const LabelDocument> document = m_document;
    const BatchOptions options = m_options;
    background::run<std::shared_ptr<const LabelPrintJob>>(
        m_launch, this,
        [document, options] {
            return std::make_shared<const LabelPrintJob>(*document, options, QDateTime::currentDateTime());
        },
        [this, token](background::Outcome<std::shared_ptr<const LabelPrintJob>> &outcome) {
            if (m_generation != token)
                return;
            if (outcome.value) {
                m_job = std::move(*outcome.value);
                announce(&BatchDraft::jobChanged);
                if (m_job->pages() < m_page)
                    setPage(std::max<qint64>(m_job->pages(), 1));
            } else {
                m_error = outcome.error;
                try {
                    std::rethrow_exception(m_error);
                } catch (const QUnhandledException &wrapped) {
                    m_error = wrapped.exception();
                } catch (...) {
                }
                announce(&BatchDraft::errorChanged);
            }
            m_preparing = false;
            announce(&BatchDraft::preparingChanged);
        });
}

} // namespace kestrivane
