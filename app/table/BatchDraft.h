#pragma once

#include "app/table/BackgroundWork.h"
#include "core/model/LabelDocument.h"
#include "core/print/LabelPrintJob.h"
#include "core/table/BatchOptions.h"

#include <QObject>

#include <exception>
#include <memory>

namespace kestrivane {

// The state of the batch sheet: a fixed copy of the document, the batch options being
// edited and the print job prepared from them off the main thread. Each preparation gets a
// new generation; only the latest one's result or error is applied.
class BatchDraft final : public QObject {
    Q_OBJECT

public:
    explicit BatchDraft(LabelDocument document, QObject *parent = nullptr);

    const LabelDocument &document() const { return *m_document; }
    const BatchOptions &options() const { return m_options; }
    // A changed value starts a new preparation.
    void setOptions(const BatchOptions &options);
    // The last accepted job; shared so that the preview and the hand-off never copy it.
    const std::shared_ptr<const LabelPrintJob> &job() const { return m_job; }
    bool preparing() const { return m_preparing; }
    // The error of the last accepted preparation.
    const std::exception_ptr &error() const { return m_error; }
    // One-based.
    qint64 page() const { return m_page; }
    void setPage(qint64 page);
    quint64 generation() const { return m_generation; }

    // Starts building the job from the current options with the current date; returns at
    // once.
    void prepare();
    // Drops whatever preparation is still running.
    void invalidate() { ++m_generation; }

    void setLauncher(background::Launcher launcher) { m_launch = std::move(launcher); }

Q_SIGNALS:
    // After each of the signals below.
    void changed();
    void optionsChanged();
    void jobChanged();
    void preparingChanged();
    void errorChanged();
    void pageChanged();

private:
    template <typename Signal> void announce(Signal signal);

    // Shared with the running preparations: it never changes while the sheet lives.
    const std::shared_ptr<const LabelDocument> m_document;
    BatchOptions m_options;
    std::shared_ptr<const LabelPrintJob> m_job;
    bool m_preparing = false;
    std::exception_ptr m_error;
    qint64 m_page = 1;
    quint64 m_generation = 0;
    background::Launcher m_launch;
};

} // namespace kestrivane
