#pragma once

#include "app/editor/EditorAlerts.h"
#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "core/l10n/Localization.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace editortest {

// Records alerts instead of opening a window.
struct RecordedAlert {
    QString message;
    QString informativeText;
    QString buttonTitle;
    bool information = false; // the information style of about and help
};

class RecordingAlerts final : public kestrivane::EditorAlerts {
public:
    void alert(const QString &message, const QString &informativeText, const QString &buttonTitle) override
    {
        alerts.append({message, informativeText, buttonTitle});
    }
    void inform(const QString &message, const QString &informativeText, const QString &buttonTitle) override
    {
        alerts.append({message, informativeText, buttonTitle, true});
    }
    QList<RecordedAlert> alerts;
};

// A store over its own settings file, localisation and grid preferences.
class StoreEnvironment {
public:
    StoreEnvironment()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), grid(settings),
          alerts(std::make_shared<RecordingAlerts>())
    {
    }

    std::unique_ptr<kestrivane::EditorStore> makeStore(const kestrivane::LabelDocument &document, bool isNew = false,
                                                       std::optional<QString> url = std::nullopt)
    {
        auto store = std::make_unique<kestrivane::EditorStore>(&localization, document, url, isNew, &grid);
        store->setAlerts(alerts);
        return store;
    }

    QTemporaryDir dir;
    QSettings settings;
    kestrivane::Localization localization;
    kestrivane::EditorGridPreferences grid;
    std::shared_ptr<RecordingAlerts> alerts;
};

} // namespace editortest
