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

void MessageBoxAlerts::alert(const QString &message, const QString &informativeText, const QString &buttonTitle)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setText(message);
    box.setInformativeText(informativeText);
    QPushButton *close = box.addButton(buttonTitle, QMessageBox::AcceptRole);
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    box.exec();
}

} // namespace kestrivane
