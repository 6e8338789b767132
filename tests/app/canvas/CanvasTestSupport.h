#pragma once

#include "app/editor/EditorGridPreferences.h"
#include "app/editor/EditorStore.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace canvastest {

inline kestrivane::LabelElement box(double x, double y, double w, double h, double rotation = 0,
                                    kestrivane::ElementKind kind = kestrivane::ElementKind::rectangle)
{
    kestrivane::LabelElement element(QUuid::createUuid(), kind, QString(), x, y, w, h, 10);
    element.rotationDegrees = rotation;
    return element;
}

inline kestrivane::LabelDocument label(double widthMm, double heightMm, QList<kestrivane::LabelElement> elements = {})
{
    return kestrivane::LabelDocument(QStringLiteral("Canvas"), widthMm, heightMm, std::move(elements));
}

// Stores over their own settings file, localisation and grid preferences.
class StoreEnvironment {
public:
    StoreEnvironment()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat),
          localization(&settings, {QStringLiteral("en-US")}), grid(settings)
    {
    }

    std::unique_ptr<kestrivane::EditorStore> makeStore(const kestrivane::LabelDocument &document, double zoom = 1)
    {
        auto store = std::make_unique<kestrivane::EditorStore>(&localization, document, std::nullopt, false, &grid);
        store->setZoom(zoom);
        return store;
    }

    QTemporaryDir dir;
    QSettings settings;
    kestrivane::Localization localization;
    kestrivane::EditorGridPreferences grid;
};

} // namespace canvastest
