#pragma once

#include "tests/app/editor/EditorTestSupport.h"
#include "tests/app/io/IoTestSupport.h"

#include "app/shell/WorkspaceStore.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace shelltest {

// A workspace over its own settings, English texts, recorded alerts and scripted
// dialogs, with a folder for document files.
class WorkspaceEnvironment {
public:
    WorkspaceEnvironment()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), alerts(std::make_shared<editortest::RecordingAlerts>()),
          dialogs(std::make_shared<iotest::ScriptedDialogs>()), workspace(&localization, settings)
    {
        workspace.setAlerts(alerts);
        workspace.setDialogs(dialogs);
    }

    // Writes a valid document named `name` to `file` in the folder; returns its path.
    QString write(const QString &file, const QString &name = QStringLiteral("Doc")) const
    {
        const QString path = dir.filePath(file);
        QDir().mkpath(QFileInfo(path).absolutePath());
        kestrivane::LabelDocument(name, 60, 40, {}).saveTo(path);
        return path;
    }

    QTemporaryDir dir;
    QSettings settings;
    kestrivane::Localization localization;
    std::shared_ptr<editortest::RecordingAlerts> alerts;
    std::shared_ptr<iotest::ScriptedDialogs> dialogs;
    kestrivane::WorkspaceStore workspace;
};

// Whether `drawn` (the widget itself unless given) looks different while `widget` has the
// keyboard focus than without it. The focus is given back.
inline bool drawsItsFocus(QWidget *widget, QWidget *drawn = nullptr)
{
    drawn = drawn ? drawn : widget;
    widget->setFocus(Qt::TabFocusReason);
    const QImage focused = drawn->grab().toImage();
    widget->clearFocus();
    const QImage plain = drawn->grab().toImage();
    widget->setFocus(Qt::TabFocusReason);
    return focused != plain;
}

// Walks the Tab chain once round from the focus widget and returns its stops. Every stop must
// show that it has the keys: a scroll area among them (the tab strip is one) must draw
// differently with and without the focus.
inline QList<QWidget *> walkTabStops(int limit = 150)
{
    QList<QWidget *> stops;
    QWidget *const first = QApplication::focusWidget();
    for (QWidget *focus = first; focus && stops.size() < limit && (stops.isEmpty() || focus != first);
         focus = QApplication::focusWidget()) {
        stops.append(focus);
        SCOPED_TRACE(focus->metaObject()->className() + (" " + focus->objectName().toStdString()));
        EXPECT_TRUE(focus->isVisible());
        const bool unlit = qobject_cast<QScrollArea *>(focus) && !drawsItsFocus(focus);
        EXPECT_FALSE(unlit) << "a scroll area that shows nothing of its focus";
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(QApplication::focusWidget(), first) << "Tab comes round";
    return stops;
}

} // namespace shelltest
