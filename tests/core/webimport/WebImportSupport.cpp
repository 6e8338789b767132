#include "tests/core/webimport/WebImportSupport.h"

#include "core/document/DocumentJson.h"
#include "core/graphics/ImageAsset.h"
#include "core/library/GraphicLibrary.h"

#include "tests/common/FakeCatalogTransport.h"
#include "tests/common/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace kestrivane;

namespace webtest {

QUrl catalogBase()
{
    return QUrl(QStringLiteral("https://catalog.test/api/v1/desktop/templates"));
}

QString photoOrigin()
{
    return QStringLiteral("https://photos.test");
}

QByteArray fixture(const QString &name)
{
    return testsupport::readFile(testsupport::dataPath(QStringLiteral("webimport/") + name));
}

QString signFolder()
{
    return testsupport::dataPath(QStringLiteral("webimport/signs"));
}

WebSignLookup fixtureSigns()
{
    return [](const QString &reference) { return GraphicLibrary::bundledWebSign(reference, signFolder()); };
}

QHash<QString, QByteArray> servedPictures()
{
    return {
        {QStringLiteral("/static/img/shared.png"), fixture(QStringLiteral("shared.png"))},
        {QStringLiteral("/static/img/background.png"), fixture(QStringLiteral("background.png"))},
        {photoOrigin() + QStringLiteral("/static/img/photo.png"), fixture(QStringLiteral("photo.png"))},
        {QStringLiteral("/static/signs/ms_0123456789abcdef0123456789abcdef.svg"),
         fixture(QStringLiteral("signs/caution.svg"))},
        {QStringLiteral("data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAQAAAAECAYAAACp8Z5+"
                        "AAAAGElEQVR42mP4DwQMDTb/YTQDMgdME1QBAAgqLblobIg/AAAAAElFTkSuQmCC"),
         fixture(QStringLiteral("logo.png"))},
    };
}

TemplateCatalogService fakeService()
{
    auto transport = std::make_shared<testsupport::FakeCatalogTransport>();
    const QString origin = catalogBase().adjusted(QUrl::RemovePath).toString();
    for (const QString &name : {QStringLiteral("shared.png"), QStringLiteral("background.png")})
        transport->script(origin + QStringLiteral("/static/img/") + name,
                          {testsupport::FakeCatalogTransport::Reply::ok(fixture(name))});
    transport->script(photoOrigin() + QStringLiteral("/static/img/photo.png"),
                      {testsupport::FakeCatalogTransport::Reply::ok(fixture(QStringLiteral("photo.png")))});
    return TemplateCatalogService(catalogBase(), transport, RetryPolicy{0, 0});
}

namespace {

QJsonValue patchedValue(QJsonValue node, QStringList tokens, const std::optional<QJsonValue> &value)
{
    const QString token = tokens.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const qsizetype index = token == QLatin1String("-") ? array.size() : token.toLongLong();
        if (tokens.isEmpty()) {
            if (!value)
                array.removeAt(index);
            else if (index == array.size())
                array.append(*value);
            else
                array[index] = *value;
        } else {
            array[index] = patchedValue(array.at(index), tokens, value);
        }
        return array;
    }
    QJsonObject object = node.toObject();
    if (tokens.isEmpty()) {
        if (value)
            object.insert(token, *value);
        else
            object.remove(token);
    } else {
        object.insert(token, patchedValue(object.value(token), tokens, value));
    }
    return object;
}

} // namespace

QByteArray patched(const QByteArray &json, const QList<Patch> &patches)
{
    QJsonValue root = QJsonDocument::fromJson(json).object();
    for (const Patch &patch : patches)
        root = patchedValue(root, patch.pointer.split(u'/', Qt::SkipEmptyParts), patch.value);
    return QJsonDocument(root.toObject()).toJson(QJsonDocument::Compact);
}

ImportedWebTemplate convertBytes(const QByteArray &bytes, const WebImageLoader &loader, const CancelToken &token)
{
    return WebTemplateImporter::convert(CatalogDesign::decode(bytes), loader, token, fixtureSigns());
}

void expectGolden(const ImportedWebTemplate &result, const QByteArray &design, const QString &expected,
                  const QHash<QString, QByteArray> &served)
{
    LabelDocument actual = result.document;
    EXPECT_EQ(actual.webSourceJSON, design);
    actual.webSourceJSON.reset();
    if (actual.webBackground && actual.webBackground->originalImage) {
        const QString src =
            actual.webBackground->definition[QStringLiteral("image")][QStringLiteral("src")].string().value_or(
                QString());
        EXPECT_EQ(actual.webBackground->originalImage, served.value(src)) << src.toStdString();
        actual.webBackground->originalImage.reset();
    }
    for (LabelElement &element : actual.elements) {
        if (!element.originalImageData)
            continue;
        const QString src = (*element.webMetadata)[QStringLiteral("src")].string().value_or(QString());
        EXPECT_EQ(element.originalImageData, served.value(src)) << src.toStdString();
        ASSERT_TRUE(element.imageData);
        EXPECT_NO_THROW(ImageAsset::validate(*element.imageData));
        element.originalImageData.reset();
        element.imageData.reset();
    }

    // Left for review next to the expected file, whether or not they agree.
    QFile file(testsupport::outputPath(QStringLiteral("webimport-") + expected));
    if (file.open(QIODevice::WriteOnly)) {
        QJsonObject out;
        out.insert(QStringLiteral("document"), toJson(actual));
        out.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(result.warnings));
        file.write(QJsonDocument(out).toJson(QJsonDocument::Indented));
    }

    const QJsonObject golden = QJsonDocument::fromJson(fixture(expected)).object();
    const LabelDocument wanted = documentFromJson(golden.value(QStringLiteral("document")));
    QStringList warnings;
    for (const QJsonValue &warning : golden.value(QStringLiteral("warnings")).toArray())
        warnings.append(warning.toString());
    actual.documentID = wanted.documentID;
    ASSERT_EQ(actual.elements.size(), wanted.elements.size());
    for (qsizetype i = 0; i < actual.elements.size(); ++i) {
        actual.elements[i].id = wanted.elements.at(i).id;
        actual.elements[i].dateOptions.timeZoneID = wanted.elements.at(i).dateOptions.timeZoneID;
    }
    EXPECT_EQ(result.warnings, warnings);
    EXPECT_TRUE(actual == wanted) << "differs from " << expected.toStdString() << "; see "
                                  << file.fileName().toStdString();
}

std::optional<Outcome> outcomeOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const CatalogError &error) {
        return error.issue();
    } catch (const DocumentError &error) {
        return error.issue();
    }
    return std::nullopt;
}

} // namespace webtest
