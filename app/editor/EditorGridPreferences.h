#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QSettings;

namespace kestrivane {

// The one grid step of the editor, shared by every open document: the spacing of the drawn
// grid, the unit of grid snapping while dragging and resizing, and the step of keyboard
// nudges. Main thread only.
class EditorGridPreferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(double stepMm READ stepMm NOTIFY changed)

public:
    // Where the step is kept across runs.
    static inline const QString settingsKey = QStringLiteral("editorGridStepMm");
    static constexpr double defaultStepMm = 5.0;
    // In the order in which a value is matched against them.
    static const QList<double> &allowedSteps();

    // The allowed step within 0.000001 of `value`, else the default (so NaN gives 5).
    static double snappedStep(double value);

    // Reads the stored step but writes nothing back: a stored value that is not allowed stays
    // in the settings until the next select(). `settings` must outlive this object.
    explicit EditorGridPreferences(QSettings &settings, QObject *parent = nullptr);

    double stepMm() const { return m_stepMm; }

    // Makes the snapped value the step and stores it. Choosing the current step again
    // announces nothing and writes nothing.
    void select(double stepMm);

Q_SIGNALS:
    void changed();

private:
    QSettings &m_settings;
    double m_stepMm = defaultStepMm;
};

} // namespace kestrivane
