#include "app/editor/EditorAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kestrivane {

EditorAlerts::~EditorAlerts() = default;

std::shared_ptr<EditorAlerts> EditorAlerts::standard()
{
    static const std::shared_ptr<EditorAlerts> alerts = std::make_shared<MessageBoxAlerts>();
    return alerts;
}

namespace {

void showBox(QMessageBox::Icon icon, const QString &message, const QString &informativeText,
             const QString &buttonTitle)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(icon);
    box.setText(message);
    box.setInformativeText(informativeText);
    QPushButton *close = box.addButton(buttonTitle, QMessageBox::AcceptRole);
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.exec();
}

} // namespace

void MessageBoxAlerts::alert(const QString &message, const QString &informativeText, const QString &buttonTitle)
{
    showBox(QMessageBox::Warning, message, informativeText, buttonTitle);
}

void MessageBoxAlerts::inform(const QString &message, const QString &informativeText, const QString &buttonTitle)
{
    showBox(QMessageBox::Information, message, informativeText, buttonTitle);
}

} // namespace kestrivane
