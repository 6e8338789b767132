// kestrivane_artwork <repository root>
//
// Draws every vector source of tools/artwork/plan.json at its side and writes the PNG the
// plan names. The PNGs are committed; a test draws the sources again and fails when a
// source changed without them.

#include "core/artwork/ArtworkSet.h"
#include "core/json/JsonRead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

using namespace kestrivane;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: kestrivane_artwork <repository root>\n");
        return 2;
    }
    const QDir root(arguments[1]);
    QFile planFile(root.filePath(QStringLiteral("tools/artwork/plan.json")));
    if (!planFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kestrivane_artwork: cannot read %s\n", qPrintable(planFile.fileName()));
        return 1;
    }
    QList<artwork::RenderJob> plan;
    try {
        plan = artwork::readRenderPlan(planFile.readAll());
    } catch (const JsonError &error) {
        std::fprintf(stderr, "kestrivane_artwork: %s: %s\n", qPrintable(planFile.fileName()),
                     qPrintable(error.detail()));
        return 1;
    }
    int failures = 0;
    for (const artwork::RenderJob &job : plan) {
        QString problem;
        const std::optional<VectorArtwork> source = artwork::loadFile(root.filePath(job.source), &problem);
        if (!source) {
            std::fprintf(stderr, "kestrivane_artwork: %s: %s\n", qPrintable(job.source), qPrintable(problem));
            ++failures;
            continue;
        }
        const QString output = root.filePath(job.output);
        QDir().mkpath(QFileInfo(output).absolutePath());
        const QImage image = artwork::render(*source, job.side, Qt::black).convertToFormat(QImage::Format_ARGB32);
        QImageWriter writer(output, "png");
        if (!writer.write(image)) {
            std::fprintf(stderr, "kestrivane_artwork: %s: %s\n", qPrintable(job.output),
                         qPrintable(writer.errorString()));
            ++failures;
            continue;
        }
        std::printf("%s (%d px)\n", qPrintable(job.output), job.side);
    }
    return failures == 0 ? 0 : 1;
}
