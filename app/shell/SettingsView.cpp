#include "app/shell/SettingsView.h"

#include "core/l10n/AppLanguage.h"
#include "core/l10n/Localization.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kestrivane {

SettingsView::SettingsView(Localization *localization, QWidget *parent)
    : QWidget(parent), m_localization(localization), m_title(new QLabel(this)), m_picker(new QComboBox(this)),
      m_hint(new QLabel(this)), m_note(new QLabel(this))
{
    setMinimumSize(480, 300);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    QFont titleFont = m_title->font();
    // A second-level title: about a third larger than the body text, semibold.
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17.0 / 13.0);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);

    for (AppLanguage language : allAppLanguages)
        m_picker->addItem(nativeName(language));
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    for (QLabel *text : {m_title, m_hint, m_note}) {
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
    }
    m_note->setForegroundRole(QPalette::PlaceholderText);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto *pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(0, 0, 0, 0);
    pickerRow->addWidget(m_picker);
    pickerRow->addStretch(1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(20);
    column->addWidget(m_title);
    column->addLayout(pickerRow);
    column->addWidget(m_hint);
    column->addWidget(divider);
    column->addWidget(m_note);
    column->addStretch(1);

    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        if (m_localization && index >= 0 && index < int(allAppLanguages.size()))
            m_localization->select(allAppLanguages[std::size_t(index)]);
    });
    if (m_localization)
        connect(m_localization, &Localization::languageChanged, this, &SettingsView::refresh);
    refresh();
}

void SettingsView::refresh()
{
    if (!m_localization)
        return;
    const AppLanguage language = m_localization->language();
    setLocale(QLocale(rawValue(language)));
    m_title->setText(m_localization->text(QStringLiteral("mac.language")));
    m_picker->setAccessibleName(m_localization->text(QStringLiteral("mac.language")));
    m_hint->setText(m_localization->text(QStringLiteral("mac.language_hint")));
    m_note->setText(m_localization->text(QStringLiteral("mac.translation_note")));
    // Following the language must not count as a choice.
    const QSignalBlocker blocker(m_picker);
    for (std::size_t i = 0; i < allAppLanguages.size(); ++i)
        if (allAppLanguages[i] == language)
            m_picker->setCurrentIndex(int(i));
}

} // namespace kestrivane
