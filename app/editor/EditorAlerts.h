#pragma once

#include <QString>

#include <memory>

namespace kestrivane {

// The modal windows the editor store opens, behind an interface so that tests can answer
// them without a window: a modal dialog under the offscreen platform would block the test.
class EditorAlerts {
public:
    virtual ~EditorAlerts();

    // A warning alert with a title, an explanation and one button that closes it. Returns
    // once the alert is closed; the answer carries no information.
    virtual void alert(const QString &message, const QString &informativeText, const QString &buttonTitle) = 0;

    // The same alert in the information style (about, help): nothing went wrong.
    virtual void inform(const QString &message, const QString &informativeText, const QString &buttonTitle) = 0;

    // The application's own implementation with message boxes, shared by every store.
    static std::shared_ptr<EditorAlerts> standard();
};

// Modal QMessageBox alerts parented to the active window.
class MessageBoxAlerts final : public EditorAlerts {
public:
    void alert(const QString &message, const QString &informativeText, const QString &buttonTitle) override;
    void inform(const QString &message, const QString &informativeText, const QString &buttonTitle) override;
};

} // namespace kestrivane
