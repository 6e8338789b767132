#include "tests/common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>

namespace testsupport {

QString dataPath(const QString &relative)
{
    return QStringLiteral(KESTRIVANE_TEST_DATA "/") + relative;
}

QString outputPath(const QString &name)
{
    QDir dir(QStringLiteral(KESTRIVANE_TEST_OUTPUT));
    dir.mkpath(QStringLiteral("."));
    return dir.filePath(name);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QByteArray undecodablePicture()
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png = pngBytes(image);
    png.truncate(png.size() / 2);
    return png;
}

QList<QByteArray> fuzzCorpus(const QString &name)
{
    QList<QByteArray> inputs;
    const QDir dir(QStringLiteral(KESTRIVANE_FUZZ_CORPUS "/") + name);
    for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
        inputs << readFile(dir.filePath(file));
    return inputs;
}

} // namespace testsupport

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
