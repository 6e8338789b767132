// Feeds arbitrary bytes to the document reader. Refusals with the program's own errors
// are expected; crashes, hangs, sanitizer reports, foreign exceptions and documents that
// do not survive being written and read again are not.

#include "core/model/LabelDocument.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace kestrivane;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Image format plugins are found through the application's library paths.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    LabelDocument document;
    try {
        document = LabelDocument::decode(bytes);
    } catch (const Error &) {
        return 0;
    }
    // A document that was read is valid, so it can be written; what is written reads
    // back as the same value. Pretty printing may push it over the size limit.
    QByteArray written;
    try {
        written = document.encoded();
    } catch (const IssueError<DocumentIssue> &error) {
        if (error.issue() == DocumentIssue::tooLarge)
            return 0;
        std::fprintf(stderr, "a decoded document cannot be written: %s\n", error.what());
        std::abort();
    }
    if (!(LabelDocument::decode(written) == document)) {
        std::fprintf(stderr, "a written document reads back differently\n");
        std::abort();
    }
    return 0;
}
