#pragma once

#include "core/model/LabelDocument.h"
#include "core/model/SheetLayout.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

// The editable form of a document's label parameters while the parameters sheet is open:
// every number is kept as the text being typed and read only when document() is asked.
// The draft holds copies only; it never changes any tab itself.
class TemplateDraft final : public QObject {
    Q_OBJECT

public:
    // `tabID` names the tab whose document is edited; absent for a new document.
    TemplateDraft(const LabelDocument &document, std::optional<QUuid> tabID, QObject *parent = nullptr);

    QUuid id() const { return m_id; }
    const std::optional<QUuid> &tabID() const { return m_tabID; }
    const LabelDocument &original() const { return m_original; }

    const QString &name() const { return m_name; }
    const QString &width() const { return m_width; }
    const QString &height() const { return m_height; }
    const QString &radius() const { return m_radius; }
    const QString &columns() const { return m_columns; }
    const QString &rows() const { return m_rows; }
    const QString &left() const { return m_left; }
    const QString &top() const { return m_top; }
    const QString &horizontalGap() const { return m_horizontalGap; }
    const QString &verticalGap() const { return m_verticalGap; }
    LabelShape shape() const { return m_shape; }
    LabelMedium medium() const { return m_medium; }

    void setName(const QString &text);
    void setWidth(const QString &text);
    void setHeight(const QString &text);
    void setRadius(const QString &text);
    void setColumns(const QString &text);
    void setRows(const QString &text);
    void setLeft(const QString &text);
    void setTop(const QString &text);
    void setHorizontalGap(const QString &text);
    void setVerticalGap(const QString &text);
    void setShape(LabelShape shape);
    void setMedium(LabelMedium medium);

    // The original with the parameters read from the texts, validated. Throws
    // DocumentIssue::invalidGeometry for the first text that is not a number, and the
    // validation's own error otherwise. Changes nothing.
    LabelDocument document() const;

    // The text a length starts as: the shortest decimal that reads back as the same value,
    // with a "." and at least one fraction digit; exponent form only below 0.0001.
    static QString lengthText(double value);
    // A length as typed: blanks around it ignored, "," read as ".", finite. Empty when the
    // text is not such a number.
    static std::optional<double> readLength(const QString &text);
    // A count exactly as typed: a signed 64-bit decimal integer and nothing else.
    static std::optional<qint64> readCount(const QString &text);

Q_SIGNALS:
    // After every write of a field.
    void changed();

private:
    void write(QString &field, const QString &text);

    const QUuid m_id;
    const std::optional<QUuid> m_tabID;
    const LabelDocument m_original;
    QString m_name;
    QString m_width;
    QString m_height;
    QString m_radius;
    QString m_columns;
    QString m_rows;
    QString m_left;
    QString m_top;
    QString m_horizontalGap;
    QString m_verticalGap;
    LabelShape m_shape;
    LabelMedium m_medium;
};

} // namespace kestrivane
