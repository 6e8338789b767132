#include "core/artwork/ArtworkSet.h"

#include "core/json/JsonRead.h"
#include "core/l10n/CoreResources.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QPainter>

#include <cmath>
#include <cstdio>

namespace kestrivane {

namespace artwork {

const QList<QString> &vectorIconNames()
{
    static const QList<QString> names = {
        QStringLiteral("create"),   QStringLiteral("open"),        QStringLiteral("openedLabel"),
        QStringLiteral("save"),     QStringLiteral("ctrlz"),       QStringLiteral("ctrly"),
        QStringLiteral("print"),    QStringLiteral("setup"),       QStringLiteral("menu_text"),
        QStringLiteral("menu_bar"), QStringLiteral("editor_date"), QStringLiteral("editor_counter"),
        QStringLiteral("trash-2"),  QStringLiteral("scale"),       QStringLiteral("burger"),
        QStringLiteral("home"),
    };
    return names;
}

const QList<QString> &symbolNames()
{
    static const QList<QString> names = {
        QStringLiteral("plus"),
        QStringLiteral("minus.magnifyingglass"),
        QStringLiteral("plus.magnifyingglass"),
        QStringLiteral("slider.horizontal.3"),
        QStringLiteral("square.stack.3d.up"),
        QStringLiteral("textformat"),
        QStringLiteral("qrcode"),
        QStringLiteral("barcode"),
        QStringLiteral("line.diagonal"),
        QStringLiteral("rectangle"),
        QStringLiteral("circle"),
        QStringLiteral("photo"),
        QStringLiteral("calendar"),
        QStringLiteral("number.square"),
        QStringLiteral("exclamationmark.triangle.fill"),
        QStringLiteral("align.horizontal.left"),
        QStringLiteral("align.horizontal.center"),
        QStringLiteral("align.horizontal.right"),
        QStringLiteral("align.vertical.top"),
        QStringLiteral("align.vertical.center"),
        QStringLiteral("align.vertical.bottom"),
        QStringLiteral("arrow.up.to.line"),
        QStringLiteral("arrow.down.to.line"),
        QStringLiteral("doc.on.doc"),
        QStringLiteral("trash"),
        QStringLiteral("wand.and.stars"),
        QStringLiteral("xmark"),
        QStringLiteral("gearshape"),
    };
    return names;
}

const ArtworkTable &vectorIcons()
{
    // A function-local static is initialised exactly once, even when threads race to it.
    static const ArtworkTable table = loadTable(CoreResources::path(QStringLiteral("Artwork")), vectorIconNames());
    return table;
}

const ArtworkTable &symbols()
{
    static const ArtworkTable table = loadTable(CoreResources::path(QStringLiteral("Artwork/Symbols")), symbolNames());
    return table;
}

std::optional<VectorArtwork> loadFile(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = file.errorString();
        return std::nullopt;
    }
    try {
        return VectorArtwork::decode(file.readAll());
    } catch (const JsonError &error) {
        if (problem)
            *problem = error.detail();
        return std::nullopt;
    }
}

ArtworkTable loadTable(const QString &folder, const QList<QString> &names)
{
    ArtworkTable table;
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".json"));
        QString problem;
        if (std::optional<VectorArtwork> artwork = loadFile(path, &problem))
            table.insert(name, std::move(*artwork));
        else
            std::fprintf(stderr, "Kestrivane: icon file %s is invalid and is not used (%s)\n", qPrintable(path),
                         qPrintable(problem));
    }
    return table;
}

QImage render(const VectorArtwork &artwork, int side, const QColor &foreground, qreal devicePixelRatio)
{
    const int pixels = qMax(1, qRound(side * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    artwork.draw(painter, QRectF(0, 0, pixels / devicePixelRatio, pixels / devicePixelRatio), foreground);
    return image;
}

QList<RenderJob> readRenderPlan(const QByteArray &text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (!document.isArray())
        json::fail(QStringLiteral("the render plan is not a JSON array"));
    QList<RenderJob> jobs;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject object = json::toObject(value);
        RenderJob job;
        job.source = json::requireString(object, QStringLiteral("source"));
        job.side = int(json::requireInt64(object, QStringLiteral("side")));
        job.output = json::requireString(object, QStringLiteral("output"));
        if (job.side < 1 || job.side > 4096)
            json::fail(QStringLiteral("side out of range in the render plan"));
        jobs.append(job);
    }
    return jobs;
}

} // namespace artwork

namespace {

// Names come from the program, but a name that could leave the folder is never a file.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace

ArtworkImage ArtworkImage::named(const QString &name)
{
    return named(name, artwork::vectorIcons(), CoreResources::path(QStringLiteral("Artwork")));
}

ArtworkImage ArtworkImage::named(const QString &name, const ArtworkTable &vectors, const QString &folder)
{
    ArtworkImage image;
    const auto vector = vectors.constFind(name);
    if (vector != vectors.constEnd()) {
        image.m_vector = *vector;
    } else if (isPlainName(name)) {
        QImageReader reader(QDir(folder).filePath(name + QStringLiteral(".png")));
        image.m_bitmap = reader.read();
    }
    return image;
}

ArtworkImage ArtworkImage::symbol(const QString &name)
{
    ArtworkImage image;
    const ArtworkTable &table = artwork::symbols();
    const auto vector = table.constFind(name);
    if (vector != table.constEnd())
        image.m_vector = *vector;
    return image;
}

void ArtworkImage::draw(QPainter &painter, const QRectF &target, const QColor &foreground) const
{
    if (m_vector) {
        if (foreground.alpha() == 255 || target.isEmpty()) {
            m_vector->draw(painter, target, foreground);
            return;
        }
        // A translucent colour (a secondary or disabled text colour) would darken wherever
        // two strokes meet: draw opaque into a layer and lay the layer down translucent.
        const QTransform &transform = painter.worldTransform();
        const qreal scale = painter.device()->devicePixelRatio() *
                            std::sqrt(std::abs(transform.m11() * transform.m22() - transform.m12() * transform.m21()));
        const QSize pixels = (target.size() * std::max<qreal>(scale, 1)).toSize().expandedTo(QSize(1, 1));
        QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter layerPainter(&layer);
            QColor opaque = foreground;
            opaque.setAlpha(255);
            m_vector->draw(layerPainter, QRectF(QPointF(0, 0), QSizeF(pixels)), opaque);
        }
        painter.save();
        painter.setOpacity(painter.opacity() * foreground.alphaF());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, layer);
        painter.restore();
        return;
    }
    if (m_bitmap.isNull() || target.isEmpty())
        return;
    const QSizeF fitted = QSizeF(m_bitmap.size()).scaled(target.size(), Qt::KeepAspectRatio);
    const QRectF placed(target.x() + (target.width() - fitted.width()) / 2,
                        target.y() + (target.height() - fitted.height()) / 2, fitted.width(), fitted.height());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(placed, m_bitmap);
    painter.restore();
}

} // namespace kestrivane
