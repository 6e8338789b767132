#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>

#include <functional>

namespace testsupport {

// A test program can start itself again in a role: the role's program runs in place of the
// tests, its report goes to a file the parent names, and the child ends without running any
// test. Tests that need a window system of their own (real fonts and window sizes for
// screenshots) or a desktop set up differently work this way.
//
// Roles are added while the program starts, before main():
//   [[maybe_unused]] const bool added = testsupport::addScreenshotRole("editor-window", [] { ... });
// A role name is unique within one test program.
bool addRole(const QString &role, std::function<QByteArray()> program);

// A role that takes pictures: `program` returns whether every picture was saved.
bool addScreenshotRole(const QString &role, std::function<bool()> program);

// Starts this test program in `role` with `environment` and returns what the role reported
// (empty when it reported nothing: it could not start, crashed or ran out of time). `filter`
// is a --gtest_filter that matches at least one test: gtest starts the roles only when it
// has a test to run. The child is stopped after `timeoutMs`.
QByteArray runRole(const QString &role, const QString &filter, QProcessEnvironment environment, int timeoutMs = 60000);

// The body of a screenshot test: a private X server of `screen` size, `role` run on it, and the
// expectation that every picture was saved. Skips where Xvfb is missing or the child could not
// open the display. True when the pictures are there for the test's own further checks.
bool takeScreenshots(const QString &role, const QString &filter, QSize screen, int timeoutMs = 60000);

} // namespace testsupport
