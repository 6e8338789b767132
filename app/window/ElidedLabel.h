#pragma once

#include <QFrame>
#include <QSize>
#include <QString>

namespace kestrivane {

// One line of text shortened in the middle to the width it gets.
class ElidedLabel final : public QFrame {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};

} // namespace kestrivane
