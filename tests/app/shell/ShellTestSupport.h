#pragma once

#include "tests/app/editor/EditorTestSupport.h"
#include "tests/app/io/IoTestSupport.h"

#include "app/shell/WorkspaceStore.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

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

} // namespace shelltest
