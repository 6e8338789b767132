#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <ostream>

class QImage;

namespace testsupport {

// Folder of files checked in with the tests.
QString dataPath(const QString &relative);

// Folder under the build tree where tests leave pictures and PDFs for a person to look at.
QString outputPath(const QString &name);

QByteArray readFile(const QString &path);

// The image encoded as PNG.
QByteArray pngBytes(const QImage &image);

// A PNG cut off halfway: a document's validation reads only a picture's header and takes
// it, drawing cannot decode it. A print job holding it is built and fails only when drawn.
QByteArray undecodablePicture();

// Every file of the seed corpus of one fuzz target (fuzz/corpus/<name>/), for replaying
// them as regression tests.
QList<QByteArray> fuzzCorpus(const QString &name);

} // namespace testsupport

// Readable failure messages: gtest would otherwise print a QString as raw UTF-16 units.
void PrintTo(const QString &text, std::ostream *out);

// Expects the statement to throw the exception type carrying the given issue case.
#define EXPECT_ISSUE(statement, IssueType, expected)                                               \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "expected " #expected " but nothing was thrown";                     \
        } catch (const ::kestrivane::IssueError<IssueType> &error_) {                             \
            EXPECT_EQ(error_.issue(), expected) << "thrown: " << error_.what();                   \
        }                                                                                          \
    } while (false)
