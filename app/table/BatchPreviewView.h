#pragma once

#include <QWidget>

#include <memory>

namespace kestrivane {

class RenderCache;
class LabelPrintJob;

// One sheet of a prepared job scaled to fit, on the under-page colour: the white sheet
// with a soft shadow, its labels, the sheet outside the labels shaded, the sheet border
// and the label outlines drawn at a fixed width on screen whatever the scale.
class BatchPreviewView final : public QWidget {
    Q_OBJECT

public:
    explicit BatchPreviewView(QWidget *parent = nullptr);
    ~BatchPreviewView() override;

    const std::shared_ptr<const LabelPrintJob> &job() const { return m_job; }
    // Zero-based sheet index.
    qint64 page() const { return m_page; }
    // A new job starts a new picture cache; the same job keeps it.
    void setJob(std::shared_ptr<const LabelPrintJob> job, qint64 page);
    // The view as a rounded rectangle, clipped to it; square without a radius.
    void setCornerRadius(double radius);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::shared_ptr<const LabelPrintJob> m_job;
    qint64 m_page = 0;
    double m_cornerRadius = 0;
    std::unique_ptr<RenderCache> m_cache;
};

} // namespace kestrivane
