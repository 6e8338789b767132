#include "app/editor/EditorGridPreferences.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include <limits>
#include <memory>

using namespace kestrivane;

namespace {

class EditorGridPreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("settings.ini")); }
    std::unique_ptr<QSettings> openSettings() const
    {
        return std::make_unique<QSettings>(path(), QSettings::IniFormat);
    }
};

struct ChangeCounter {
    int count = 0;
    double stepSeen = 0;
    double storedSeen = 0;
};

} // namespace

TEST_F(EditorGridPreferencesTest, SnapsValuesToAllowedSteps)
{
    EXPECT_EQ(EditorGridPreferences::snappedStep(1), 1);
    EXPECT_EQ(EditorGridPreferences::snappedStep(2.5000001), 2.5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(2.4999995), 2.5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(2.500001), 5); // not strictly within 1e-6
    EXPECT_EQ(EditorGridPreferences::snappedStep(10.0000009), 10);
    EXPECT_EQ(EditorGridPreferences::snappedStep(3), 5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(7), 5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(0), 5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(-1), 5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(std::numeric_limits<double>::quiet_NaN()), 5);
    EXPECT_EQ(EditorGridPreferences::snappedStep(std::numeric_limits<double>::infinity()), 5);
}

TEST_F(EditorGridPreferencesTest, ReadsTheStoredStepWithoutWritingBack)
{
    {
        auto settings = openSettings();
        EditorGridPreferences prefs(*settings);
        EXPECT_EQ(prefs.stepMm(), 5);
        EXPECT_FALSE(settings->contains(EditorGridPreferences::settingsKey));
    }
    const struct {
        QVariant stored;
        double step;
    } cases[] = {
        {2.5000001, 2.5}, {2.5, 2.5}, {1, 1}, {10, 10}, {3, 5}, {QStringLiteral("2"), 2}, {QStringLiteral("wide"), 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        {
            auto settings = openSettings();
            settings->setValue(EditorGridPreferences::settingsKey, c.stored);
        }
        auto settings = openSettings();
        EditorGridPreferences prefs(*settings);
        EXPECT_EQ(prefs.stepMm(), c.step);
        // Reading leaves even an unusable value where it was.
        EXPECT_EQ(settings->value(EditorGridPreferences::settingsKey).toString(), c.stored.toString());
    }
}

TEST_F(EditorGridPreferencesTest, SelectAnnouncesAndStoresOnlyRealChanges)
{
    {
        auto settings = openSettings();
        EditorGridPreferences prefs(*settings);
        ChangeCounter counter;
        QObject::connect(&prefs, &EditorGridPreferences::changed, [&] {
            ++counter.count;
            counter.stepSeen = prefs.stepMm();
            counter.storedSeen = settings->value(EditorGridPreferences::settingsKey).toDouble();
        });

        prefs.select(7); // snaps to 5, which is already the step
        prefs.select(5.0000001);
        EXPECT_EQ(counter.count, 0);
        EXPECT_FALSE(settings->contains(EditorGridPreferences::settingsKey));

        prefs.select(10);
        EXPECT_EQ(counter.count, 1);
        EXPECT_EQ(prefs.stepMm(), 10);
        // Observers see the new step both on the object and in the settings.
        EXPECT_EQ(counter.stepSeen, 10);
        EXPECT_EQ(counter.storedSeen, 10);

        prefs.select(2.4999999);
        EXPECT_EQ(counter.count, 2);
        EXPECT_EQ(prefs.stepMm(), 2.5);
        EXPECT_EQ(settings->value(EditorGridPreferences::settingsKey).toDouble(), 2.5); // the step, not the value

        prefs.select(std::numeric_limits<double>::quiet_NaN()); // back to the default
        EXPECT_EQ(counter.count, 3);
        EXPECT_EQ(prefs.stepMm(), 5);
        prefs.select(2.5);
    }
    // The last choice survives into the next run.
    auto settings = openSettings();
    EditorGridPreferences next(*settings);
    EXPECT_EQ(next.stepMm(), 2.5);
}

TEST_F(EditorGridPreferencesTest, SelectReplacesAnUnusableStoredValue)
{
    auto settings = openSettings();
    settings->setValue(EditorGridPreferences::settingsKey, 3);
    EditorGridPreferences prefs(*settings);
    ASSERT_EQ(prefs.stepMm(), 5);
    prefs.select(5); // unchanged step: the stored 3 stays
    EXPECT_EQ(settings->value(EditorGridPreferences::settingsKey).toDouble(), 3);
    prefs.select(1);
    EXPECT_EQ(settings->value(EditorGridPreferences::settingsKey).toDouble(), 1);
}
