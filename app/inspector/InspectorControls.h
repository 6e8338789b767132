#pragma once

#include "core/model/BarcodeOptions.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

namespace kestrivane {

// The locale the number fields read and write in: the user's own (the system locale),
// not the interface language. Tests install another.
QLocale numberLocale();
void setNumberLocaleProvider(std::function<QLocale()> provider);

// Font families as the font picker lists them: a trailing " [foundry]" removed,
// duplicates dropped, sorted by Unicode code point (upper case before lower case).
QStringList cleanFontFamilies(const QStringList &families);
// The installed families, cleaned.
QStringList installedFontFamilies();

// Ctrl+Z and Ctrl+Shift+Z in a field are the document's undo and redo: the field's own
// undo would record its text as a new step and clear the redo stack. Installed on every
// text field of the inspector, it lets the shortcut through to the window's Undo and
// Redo and keeps the key from the field.
class UndoKeyFilter final : public QObject {
public:
    using QObject::QObject;
    static UndoKeyFilter *instance();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// A number in a line edit. The text is for display only: a value is written when the
// user commits an edit (Return or leaving the field) and the text parses in the field's
// locale to a finite value inside the range that differs from the stored one. Anything
// else writes nothing and shows the stored value again, so looking at a field or tabbing
// through it never changes the document and a value is never rounded by being shown.
class NumberField final : public QLineEdit {
    Q_OBJECT

public:
    enum class Format {
        twoDecimals, // 0–2 fraction digits (millimetres, degrees, points)
        shortest,    // the shortest text that reads back as the same double
        integer,     // a 64-bit integer
    };

    using DoubleRead = std::function<std::optional<double>()>;
    using DoubleWrite = std::function<void(double)>;
    using IntegerRead = std::function<std::optional<qint64>()>;
    using IntegerWrite = std::function<void(qint64)>;

    NumberField(Format format, std::optional<ClosedDoubleRange> range, DoubleRead read, DoubleWrite write,
                QWidget *parent = nullptr);
    NumberField(IntegerRead read, IntegerWrite write, QWidget *parent = nullptr);

    // Shows the stored value again, unless the user is editing the field.
    void refresh();
    QString displayText(double value) const;

private:
    void commit();
    void show(bool force);

    Format m_format;
    std::optional<ClosedDoubleRange> m_range;
    DoubleRead m_readDouble;
    DoubleWrite m_writeDouble;
    IntegerRead m_readInteger;
    IntegerWrite m_writeInteger;
};

// A single-line text that writes every user change and, when refreshed, takes the stored
// text only when it differs, keeping the cursor.
class TextLine final : public QLineEdit {
    Q_OBJECT

public:
    TextLine(std::function<QString()> read, std::function<void(const QString &)> write, QWidget *parent = nullptr);
    void refresh();

private:
    std::function<QString()> m_read;
};

// The multi-line content editor. It reads the document's raw text, which keeps no-break
// spaces, line separators (U+2028) and group separators (U+001D), and turns only its
// paragraph breaks into "\n". It writes only what the user typed, after comparing it with
// the stored text, so showing or focusing it never changes the content.
class ContentEditor final : public QPlainTextEdit {
    Q_OBJECT

public:
    ContentEditor(std::function<QString()> read, std::function<void(const QString &)> write, QWidget *parent = nullptr);

    // The text as the element would store it.
    QString content() const;
    void refresh();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void userChanged();

    std::function<QString()> m_read;
    std::function<void(const QString &)> m_write;
    bool m_refreshing = false;
};

// The first of two layouts that fits: the children side by side when their natural
// widths fit the width given, otherwise one above the other.
class FitLayout final : public QWidget {
    Q_OBJECT

public:
    FitLayout(int rowSpacing, int columnSpacing, Qt::Alignment columnAlignment, QWidget *parent = nullptr);
    void addWidget(QWidget *widget);
    bool isRow() const { return m_row; }
    // The width the children need side by side.
    int rowWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Places the children by hand: a layout would hide the height for a width from the
    // card around it.
    void place();

    QList<QWidget *> m_children;
    int m_rowSpacing;
    int m_columnSpacing;
    Qt::Alignment m_columnAlignment;
    bool m_row = true;
};

// The rounded cards of the inspector, painted in the palette's text colour at low
// opacity (or orange for a warning).
class InspectorCard final : public QFrame {
    Q_OBJECT

public:
    enum class Look { section, warning, tile, control };
    explicit InspectorCard(Look look, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Look m_look;
};

// A pop-up whose entries carry values; a stored value missing from them selects nothing.
// The wheel turns it only once it has the focus: scrolling the panel past a pop-up must not
// pick a new value.
class ValuePicker : public QComboBox {
    Q_OBJECT

public:
    explicit ValuePicker(QWidget *parent = nullptr);
    void select(const QVariant &value);

protected:
    void wheelEvent(QWheelEvent *event) override;
};

// The font pop-up: its family list is read again each time it opens. It is as wide as
// its widest entry, as a QComboBox sizes itself on its first showing, but that entry is
// measured once for all pickers of the same list and font.
class FontPicker final : public ValuePicker {
    Q_OBJECT

public:
    explicit FontPicker(QString systemFontTitle, QWidget *parent = nullptr);
    void fill();
    void showPopup() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QString m_systemFontTitle;
    mutable QSize m_sizeHint;
    bool m_shown = false;
};

} // namespace kestrivane
