#include "app/inspector/InspectorControls.h"

#include "app/common/ShellStyle.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QWheelEvent>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

std::function<QLocale()> &localeProvider()
{
    static std::function<QLocale()> provider;
    return provider;
}

// The stored form of a text the editor shows: every kind of line break is a paragraph
// break there.
QString asShown(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

QLocale numberLocale()
{
    if (localeProvider())
        return localeProvider()();
    return QLocale::system();
}

void setNumberLocaleProvider(std::function<QLocale()> provider)
{
    localeProvider() = std::move(provider);
}

QStringList cleanFontFamilies(const QStringList &families)
{
    static const QRegularExpression foundry(QStringLiteral(" \\[[^\\]]*\\]$"));
    QList<std::pair<QList<uint>, QString>> keyed;
    keyed.reserve(families.size());
    for (QString family : families) {
        family.remove(foundry);
        keyed.append({family.toUcs4(), family});
    }
    // QString orders by UTF-16 unit, which differs from code-point order above U+FFFF.
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList result;
    result.reserve(keyed.size());
    for (const auto &entry : keyed)
        if (result.isEmpty() || result.last() != entry.second)
            result.append(entry.second);
    return result;
}

QStringList installedFontFamilies()
{
    return cleanFontFamilies(QFontDatabase::families());
}

// --- UndoKeyFilter ------------------------------------------------------------------

UndoKeyFilter *UndoKeyFilter::instance()
{
    static UndoKeyFilter *filter = new UndoKeyFilter;
    return filter;
}

bool UndoKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (!key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo))
        return QObject::eventFilter(watched, event);
    // Left unaccepted, the override lets the window's shortcut run; a key press that
    // still arrives (no such shortcut) is kept from the field.
    event->ignore();
    return true;
}

// --- NumberField --------------------------------------------------------------------

NumberField::NumberField(Format format, std::optional<ClosedDoubleRange> range, DoubleRead read, DoubleWrite write,
                         QWidget *parent)
    : QLineEdit(parent), m_format(format), m_range(range), m_readDouble(std::move(read)),
      m_writeDouble(std::move(write))
{
    installEventFilter(UndoKeyFilter::instance());
    connect(this, &QLineEdit::editingFinished, this, &NumberField::commit);
    show(true);
}

NumberField::NumberField(IntegerRead read, IntegerWrite write, QWidget *parent)
    : QLineEdit(parent), m_format(Format::integer), m_readInteger(std::move(read)), m_writeInteger(std::move(write))
{
    installEventFilter(UndoKeyFilter::instance());
    connect(this, &QLineEdit::editingFinished, this, &NumberField::commit);
    show(true);
}

QString NumberField::displayText(double value) const
{
    const QLocale locale = numberLocale();
    if (value == 0)
        value = 0; // no "-0"
    if (m_format == Format::shortest)
        return locale.toString(value, 'g', QLocale::FloatingPointShortest);
    QString text = locale.toString(value, 'f', 2);
    const QString point = locale.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(locale.zeroDigit()))
            text.chop(locale.zeroDigit().size());
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

void NumberField::show(bool force)
{
    if (!force && hasFocus() && isModified())
        return;
    QString text;
    if (m_format == Format::integer)
        text = numberLocale().toString(m_readInteger().value_or(0));
    else
        text = displayText(m_readDouble().value_or(0));
    if (text != this->text())
        setText(text);
    setModified(false);
}

void NumberField::refresh()
{
    show(false);
}

void NumberField::commit()
{
    if (!isModified()) {
        show(true);
        return;
    }
    // Cleared first: the write refreshes the inspector, which must show the new value.
    setModified(false);
    const QLocale locale = numberLocale();
    const QString typed = text().trimmed();
    bool ok = false;
    if (m_format == Format::integer) {
        const qint64 value = locale.toLongLong(typed, &ok);
        if (ok && m_readInteger() && *m_readInteger() != value)
            m_writeInteger(value);
    } else {
        const double value = locale.toDouble(typed, &ok);
        const bool taken = ok && std::isfinite(value) && (!m_range || m_range->contains(value));
        if (taken && m_readDouble() && *m_readDouble() != value)
            m_writeDouble(value);
    }
    show(true);
}

// --- TextLine -----------------------------------------------------------------------

TextLine::TextLine(std::function<QString()> read, std::function<void(const QString &)> write, QWidget *parent)
    : QLineEdit(parent), m_read(std::move(read))
{
    installEventFilter(UndoKeyFilter::instance());
    connect(this, &QLineEdit::textEdited, this, [this, write = std::move(write)](const QString &text) {
        if (text != m_read())
            write(text);
    });
    refresh();
}

void TextLine::refresh()
{
    const QString stored = m_read();
    if (text() == stored)
        return;
    const QSignalBlocker blocker(this);
    const int cursor = cursorPosition();
    setText(stored);
    setCursorPosition(std::min<int>(cursor, stored.size()));
}

// --- ContentEditor ------------------------------------------------------------------

ContentEditor::ContentEditor(std::function<QString()> read, std::function<void(const QString &)> write, QWidget *parent)
    : QPlainTextEdit(parent), m_read(std::move(read)), m_write(std::move(write))
{
    installEventFilter(UndoKeyFilter::instance());
    // The document's history is the only one: a local undo would fight it.
    setUndoRedoEnabled(false);
    // Tab leaves the box as it leaves every other field of the inspector; a tab character
    // in a label's content is almost never meant, and pasting one still works.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &ContentEditor::userChanged);
    refresh();
}

QString ContentEditor::content() const
{
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void ContentEditor::refresh()
{
    const QString stored = m_read();
    if (content() == asShown(stored))
        return;
    m_refreshing = true;
    const int position = textCursor().position();
    setPlainText(stored);
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(cursor);
    m_refreshing = false;
}

void ContentEditor::userChanged()
{
    if (m_refreshing)
        return;
    const QString text = content();
    if (text != m_read())
        m_write(text);
}

void ContentEditor::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier))) {
        // Qt would insert a line separator (U+2028) here; the content wants a line feed.
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// --- FitLayout ----------------------------------------------------------------------

FitLayout::FitLayout(int rowSpacing, int columnSpacing, Qt::Alignment columnAlignment, QWidget *parent)
    : QWidget(parent), m_rowSpacing(rowSpacing), m_columnSpacing(columnSpacing), m_columnAlignment(columnAlignment)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void FitLayout::addWidget(QWidget *widget)
{
    m_children.append(widget);
    widget->setParent(this);
    place();
    updateGeometry();
}

int FitLayout::rowWidth() const
{
    int width = 0;
    for (QWidget *child : m_children)
        width += child->sizeHint().width();
    return width + m_rowSpacing * std::max<int>(0, m_children.size() - 1);
}

int FitLayout::heightForWidth(int width) const
{
    int row = 0;
    int column = 0;
    for (QWidget *child : m_children) {
        row = std::max(row, child->sizeHint().height());
        column += child->sizeHint().height();
    }
    if (rowWidth() <= width)
        return row;
    return column + m_columnSpacing * std::max<int>(0, m_children.size() - 1);
}

QSize FitLayout::sizeHint() const
{
    return QSize(rowWidth(), heightForWidth(rowWidth()));
}

// Narrower than the row: the children then stand one above the other.
QSize FitLayout::minimumSizeHint() const
{
    int width = 0;
    for (QWidget *child : m_children)
        width = std::max(width, child->minimumSizeHint().width());
    return QSize(width, heightForWidth(rowWidth()));
}

void FitLayout::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void FitLayout::place()
{
    const bool row = rowWidth() <= width();
    int rowHeight = 0;
    for (QWidget *child : m_children)
        rowHeight = std::max(rowHeight, child->sizeHint().height());
    int offset = 0;
    for (QWidget *child : m_children) {
        const QSize hint = child->sizeHint();
        if (row) {
            child->setGeometry(offset, (rowHeight - hint.height()) / 2, hint.width(), hint.height());
            offset += hint.width() + m_rowSpacing;
        } else {
            const int childWidth = std::min(hint.width(), width());
            const int x = (m_columnAlignment & Qt::AlignHCenter) ? (width() - childWidth) / 2 : 0;
            child->setGeometry(x, offset, childWidth, hint.height());
            offset += hint.height() + m_columnSpacing;
        }
    }
    if (row != m_row) {
        m_row = row;
        updateGeometry();
    }
}

// --- InspectorCard ------------------------------------------------------------------

InspectorCard::InspectorCard(Look look, QWidget *parent) : QFrame(parent), m_look(look) {}

void InspectorCard::paintEvent(QPaintEvent *)
{
    using shellstyle::withAlpha;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().color(QPalette::WindowText);
    QColor fill;
    QColor border;
    double radius = 0;
    switch (m_look) {
    case Look::section:
        fill = withAlpha(primary, 2.5);
        border = withAlpha(primary, 9);
        radius = 11;
        break;
    case Look::warning:
        fill = withAlpha(shellstyle::orange, 8);
        border = withAlpha(shellstyle::orange, 20);
        radius = 9;
        break;
    case Look::tile:
        fill = withAlpha(primary, 4.5);
        radius = 8;
        break;
    case Look::control:
        fill = palette().color(QPalette::Base);
        border = withAlpha(palette().color(QPalette::PlaceholderText), 22);
        radius = 7;
        break;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(path, fill);
    if (border.isValid())
        painter.strokePath(path, QPen(border, 1));
}

// --- Pickers ------------------------------------------------------------------------

ValuePicker::ValuePicker(QWidget *parent) : QComboBox(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ValuePicker::wheelEvent(QWheelEvent *event)
{
    if (hasFocus())
        QComboBox::wheelEvent(event);
    else
        event->ignore();
}

void ValuePicker::select(const QVariant &value)
{
    const int index = findData(value);
    if (index != currentIndex())
        setCurrentIndex(index);
}

FontPicker::FontPicker(QString systemFontTitle, QWidget *parent)
    : ValuePicker(parent), m_systemFontTitle(std::move(systemFontTitle))
{
    fill();
}

void FontPicker::fill()
{
    const QVariant current = currentIndex() >= 0 ? currentData() : QVariant();
    const QSignalBlocker blocker(this);
    clear();
    addItem(m_systemFontTitle, QString());
    for (const QString &family : installedFontFamilies())
        addItem(family, family);
    setCurrentIndex(current.isValid() ? findData(current) : -1);
    // Like QComboBox's own hint: it follows the entries until the first showing only.
    if (!m_shown)
        m_sizeHint = QSize();
}

void FontPicker::showPopup()
{
    fill();
    ValuePicker::showPopup();
}

namespace {

// The widest entry as QComboBox measures its entries for its size hint. Measuring a
// desktop's 250 family names (shaping each, with fallback fonts for other scripts) took
// longer than the rest of building an inspector, which makes a new picker at every
// selection change; the last answer is kept, since every picker lists the same names in
// the same font. The font's resolution is part of the key, as QFont's equality leaves it
// out. Never freed: a font must not outlive the application object.
int widestEntry(const QFont &font, int dpi, const QStringList &entries)
{
    struct Measured {
        QFont font;
        int dpi = 0;
        QStringList entries;
        int width = -1;
    };
    static auto *last = new Measured;
    if (last->width < 0 || dpi != last->dpi || font != last->font || entries != last->entries) {
        const QFontMetrics metrics(font);
        int width = 0;
        for (const QString &entry : entries)
            width = std::max(width, metrics.boundingRect(entry).width());
        *last = {font, dpi, entries, width};
    }
    return last->width;
}

} // namespace

// What QComboBox gives for entries without icons, without a minimum contents length or a
// placeholder: the widest entry and one line of text, with the style's frame and arrow
// around them. Its minimum hint is the same.
QSize FontPicker::sizeHint() const
{
    if (m_sizeHint.isValid())
        return m_sizeHint;
    QStringList entries;
    entries.reserve(count());
    for (int i = 0; i < count(); ++i)
        entries.append(itemText(i));
    const QSize text(widestEntry(font(), logicalDpiY(), entries),
                     std::max(qCeil(QFontMetricsF(fontMetrics()).height()), 14) + 2);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    m_sizeHint = style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, this);
    return m_sizeHint;
}

QSize FontPicker::minimumSizeHint() const
{
    return sizeHint();
}

void FontPicker::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_sizeHint = QSize();
    ValuePicker::changeEvent(event);
}

void FontPicker::showEvent(QShowEvent *event)
{
    // QComboBox measures once more at its first showing, then keeps its size.
    if (!m_shown)
        m_sizeHint = QSize();
    m_shown = true;
    ValuePicker::showEvent(event);
}

} // namespace kestrivane
