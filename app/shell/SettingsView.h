#pragma once

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;

namespace kestrivane {

class Localization;

// The content of the settings window: the interface language, with a hint and a note on
// the translations. Choosing a language switches the whole program at once; every text
// here follows the language, the language names never change.
class SettingsView final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsView(Localization *localization, QWidget *parent = nullptr);

    QComboBox *languagePicker() const { return m_picker; }

private:
    // Texts, picker and locale of the current language.
    void refresh();

    QPointer<Localization> m_localization;
    QLabel *m_title;
    QComboBox *m_picker;
    QLabel *m_hint;
    QLabel *m_note;
};

} // namespace kestrivane
