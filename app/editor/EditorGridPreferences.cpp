#include "app/editor/EditorGridPreferences.h"

#include <QSettings>

#include <cmath>

namespace kestrivane {

const QList<double> &EditorGridPreferences::allowedSteps()
{
    static const QList<double> steps{1.0, 2.0, 2.5, 5.0, 10.0};
    return steps;
}

double EditorGridPreferences::snappedStep(double value)
{
    for (double step : allowedSteps()) {
        if (std::fabs(step - value) < 0.000001)
            return step;
    }
    return defaultStepMm;
}

EditorGridPreferences::EditorGridPreferences(QSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
    // toDouble() gives 0 for text that is no number, which then falls back to the default.
    const double stored = m_settings.contains(settingsKey) ? m_settings.value(settingsKey).toDouble() : defaultStepMm;
    m_stepMm = snappedStep(stored);
}

void EditorGridPreferences::select(double stepMm)
{
    const double snapped = snappedStep(stepMm);
    if (snapped == m_stepMm)
        return;
    m_stepMm = snapped;
    // Stored before the announcement, so an observer that reads the settings sees the same
    // step as stepMm().
    m_settings.setValue(settingsKey, snapped);
    Q_EMIT changed();
}

} // namespace kestrivane
