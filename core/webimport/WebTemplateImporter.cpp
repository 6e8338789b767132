#include "core/webimport/WebTemplateImporter.h"

#include "core/catalog/CatalogIssue.h"
#include "core/common/DocumentIssue.h"
#include "core/common/TextRules.h"
#include "core/library/GraphicLibrary.h"
#include "core/render/WebFonts.h"
#include "core/web/WebImageAsset.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace kestrivane {

namespace {

[[noreturn]] void invalid()
{
    throwCatalog(CatalogIssue::Kind::invalid);
}

// Largest integer a double holds exactly, and so the largest a design may give.
constexpr double maximumExactInteger = 9007199254740991.0;

const QStringList &templateKeys()
{
    static const QStringList keys = {
        QStringLiteral("name"),           QStringLiteral("widthMm"),
        QStringLiteral("heightMm"),       QStringLiteral("shape"),
        QStringLiteral("cornerRadiusMm"), QStringLiteral("mediaType"),
        QStringLiteral("marginLeftMm"),   QStringLiteral("gapMm"),
        QStringLiteral("rowGapMm"),       QStringLiteral("rows"),
        QStringLiteral("cols"),           QStringLiteral("printSpeedMmSec"),
        QStringLiteral("printDarkness"),  QStringLiteral("bg"),
        QStringLiteral("bgBack"),
    };
    return keys;
}

const QStringList &commonKeys()
{
    static const QStringList keys = {
        QStringLiteral("type"),
        QStringLiteral("id"),
        QStringLiteral("x"),
        QStringLiteral("y"),
        QStringLiteral("w"),
        QStringLiteral("h"),
        QStringLiteral("rotation"),
        QStringLiteral("color"),
        QStringLiteral("side"),
        QStringLiteral("source"),
        QStringLiteral("converterBinding"),
        QStringLiteral("converterField"),
        QStringLiteral("lockRatio"),
    };
    return keys;
}

// The element types a design may use, what they become and the keys each adds.
struct TypeRule {
    ElementKind kind;
    const char *defaultColor;
    QStringList keys;
};

const QHash<QString, TypeRule> &typeRules()
{
    static const QHash<QString, TypeRule> rules = [] {
        const QStringList text = {
            QStringLiteral("text"),        QStringLiteral("font"),           QStringLiteral("fontSize"),
            QStringLiteral("bold"),        QStringLiteral("italic"),         QStringLiteral("underline"),
            QStringLiteral("align"),       QStringLiteral("valign"),         QStringLiteral("lineHeight"),
            QStringLiteral("textFitMode"), QStringLiteral("textValueFormat")};
        const QStringList date = text + QStringList{QStringLiteral("dateFormat"), QStringLiteral("dateMode"),
                                                    QStringLiteral("offsetDays"), QStringLiteral("baseDate")};
        const QStringList counter =
            text + QStringList{QStringLiteral("start"), QStringLiteral("step"), QStringLiteral("pad"),
                               QStringLiteral("prefix"), QStringLiteral("suffix")};
        const QStringList barcode = {QStringLiteral("format"),
                                     QStringLiteral("value"),
                                     QStringLiteral("showValue"),
                                     QStringLiteral("barcodeFontSize"),
                                     QStringLiteral("showGs1Identification"),
                                     QStringLiteral("gs1IdentificationFontSize"),
                                     QStringLiteral("gs1IdentificationAddedHeightMm"),
                                     QStringLiteral("czGtin"),
                                     QStringLiteral("czCodeSerial"),
                                     QStringLiteral("czCodeId")};
        const QStringList picture = {QStringLiteral("src"),      QStringLiteral("label"),   QStringLiteral("symbol"),
                                     QStringLiteral("fit"),      QStringLiteral("offsetX"), QStringLiteral("offsetY"),
                                     QStringLiteral("imgScale"), QStringLiteral("shape")};
        const char *ink = "#16202b";
        return QHash<QString, TypeRule>{
            {QStringLiteral("text"), {ElementKind::text, ink, text}},
            {QStringLiteral("date"), {ElementKind::dateTime, ink, date}},
            {QStringLiteral("numerator"), {ElementKind::counter, ink, counter}},
            {QStringLiteral("barcode"), {ElementKind::barcode, "#000000", barcode}},
            {QStringLiteral("line"), {ElementKind::line, ink, {QStringLiteral("thickness")}}},
            {QStringLiteral("rect"),
             {ElementKind::rectangle,
              ink,
              {QStringLiteral("strokeWidth"), QStringLiteral("radius"), QStringLiteral("fill")}}},
            {QStringLiteral("graphic"), {ElementKind::image, ink, picture}},
            {QStringLiteral("logo"), {ElementKind::image, ink, picture}},
            {QStringLiteral("photo"), {ElementKind::image, ink, picture}},
        };
    }();
    return rules;
}

const QHash<QString, BarcodeSymbology> &barcodeFormats()
{
    static const QHash<QString, BarcodeSymbology> formats = {
        {QStringLiteral("EAN13"), BarcodeSymbology::ean13},
        {QStringLiteral("EAN8"), BarcodeSymbology::ean8},
        {QStringLiteral("CODE128"), BarcodeSymbology::code128},
        {QStringLiteral("CODE39"), BarcodeSymbology::code39},
        {QStringLiteral("ITF"), BarcodeSymbology::interleaved2of5},
        {QStringLiteral("ITF14"), BarcodeSymbology::itf14},
        {QStringLiteral("codabar"), BarcodeSymbology::codabar},
        {QStringLiteral("CODABAR"), BarcodeSymbology::codabar},
        {QStringLiteral("QR"), BarcodeSymbology::qr},
        {QStringLiteral("DATAMATRIX"), BarcodeSymbology::dataMatrix},
        {QStringLiteral("GS1DATAMATRIX"), BarcodeSymbology::gs1DataMatrix},
        {QStringLiteral("DATABAR_EXPSTK"), BarcodeSymbology::gs1DataBarStacked},
    };
    return formats;
}

bool present(const CatalogJSON &json, const QString &key)
{
    return !json[key].isNull();
}

// The strings of `key` among `words`, or `fallback`.
QString oneOf(const CatalogJSON &json, const QString &key, std::initializer_list<const char *> words,
              const QString &fallback)
{
    const std::optional<QString> value = webimport::string(json, key);
    if (value &&
        std::any_of(words.begin(), words.end(), [&](const char *word) { return *value == QLatin1String(word); }))
        return *value;
    return fallback;
}

// The working state of one conversion.
class Conversion {
public:
    Conversion(const CatalogDesign &design, const WebImageLoader &image, const CancelToken &token,
               const WebSignLookup &signs)
        : m_design(design), m_image(image), m_token(token), m_signs(signs)
    {
    }

    ImportedWebTemplate run();

private:
    void warn(const char *key) { m_warnings.insert(QString::fromLatin1(key)); }
    void readTemplate();
    void readBackground();
    std::optional<LabelElement> readElement(const CatalogJSON &json, const QString &path);
    void readText(const CatalogJSON &json, const QString &type, const QString &path, LabelElement &element,
                  WebAppearance &appearance);
    void readBarcode(const CatalogJSON &json, const QString &path, LabelElement &element, WebAppearance &appearance);
    void readShape(const CatalogJSON &json, const QString &type, LabelElement &element, WebAppearance &appearance);
    bool readPicture(const CatalogJSON &json, const QString &type, const QString &path, LabelElement &element,
                     WebAppearance &appearance);

    const CatalogDesign &m_design;
    const WebImageLoader &m_image;
    const CancelToken &m_token;
    const WebSignLookup &m_signs;

    LabelDocument m_document;
    QSet<QString> m_warnings;
    QStringList m_unsupported;
    QHash<QString, QByteArray> m_pictures; // "src" → bytes, for this conversion only
};

ImportedWebTemplate Conversion::run()
{
    m_design.validate(m_design.id);
    WebFonts::registerFonts();

    const CatalogJSON &tpl = m_design.template_;
    m_document.widthMm = webimport::number(tpl, QStringLiteral("widthMm"), std::nullopt);
    m_document.heightMm = webimport::number(tpl, QStringLiteral("heightMm"), std::nullopt);
    m_document.schemaVersion = LabelDocument::currentSchemaVersion;
    m_document.documentID = QUuid::createUuid();
    m_document.name = m_design.name;
    m_document.webSourceJSON = m_design.archivedJSON();

    readTemplate();
    readBackground();

    for (qsizetype i = 0; i < m_design.elements.size(); ++i) {
        if (m_token.isCancelled())
            throw CancellationError();
        const QString path = QStringLiteral("elements[%1]").arg(i + 1);
        if (std::optional<LabelElement> element = readElement(m_design.elements.at(i), path))
            m_document.elements.append(std::move(*element));
    }

    if (!m_unsupported.isEmpty()) {
        std::sort(m_unsupported.begin(), m_unsupported.end());
        m_unsupported.erase(std::unique(m_unsupported.begin(), m_unsupported.end()), m_unsupported.end());
        throw CatalogError(CatalogIssue::unsupported(m_unsupported));
    }

    // Only whether the document could be saved matters here; the bytes are not kept.
    try {
        (void)m_document.encoded();
    } catch (const DocumentError &error) {
        if (error.issue() == DocumentIssue::invalidImage)
            throwCatalog(CatalogIssue::Kind::imageUnavailable);
        if (error.issue() == DocumentIssue::invalidBarcode)
            throwCatalog(CatalogIssue::Kind::invalidBarcode);
        invalid();
    } catch (const Error &) {
        invalid();
    }

    QStringList warnings(m_warnings.begin(), m_warnings.end());
    std::sort(warnings.begin(), warnings.end());
    return ImportedWebTemplate{std::move(m_document), std::move(warnings)};
}

void Conversion::readTemplate()
{
    const CatalogJSON &tpl = m_design.template_;
    const QStringList keys = tpl.keys();
    if (std::any_of(keys.begin(), keys.end(), [](const QString &key) { return !templateKeys().contains(key); }))
        warn("mac.catalog_preserved_fields");

    SheetLayout &layout = m_document.layout;
    const std::optional<QString> shape = webimport::string(tpl, QStringLiteral("shape"));
    if (shape == QLatin1String("round"))
        layout.shape = LabelShape::ellipse;
    else if (shape && *shape != QLatin1String("rect"))
        m_unsupported.append(QStringLiteral("template.shape"));
    const double radius = webimport::number(tpl, QStringLiteral("cornerRadiusMm"), 0.0);
    if (layout.shape == LabelShape::rectangle) {
        // Written without std::clamp: a negative size would make its range empty (undefined
        // behaviour); validation refuses such a size afterwards.
        const double highest = std::min(m_document.widthMm, m_document.heightMm) * 0.5;
        layout.cornerRadiusMm = std::max(0.0, std::min(radius, highest));
    }
    layout.leftMarginMm = webimport::number(tpl, QStringLiteral("marginLeftMm"), 0.0);
    layout.columnGapMm = webimport::number(tpl, QStringLiteral("gapMm"), 0.0);
    layout.rowGapMm = webimport::number(tpl, QStringLiteral("rowGapMm"), 0.0);
    layout.rows = webimport::integer(tpl, QStringLiteral("rows"), 1);
    layout.columns = webimport::integer(tpl, QStringLiteral("cols"), 1);

    const std::optional<QString> mediaType = webimport::string(tpl, QStringLiteral("mediaType"));
    if (mediaType == QLatin1String("card") || present(tpl, QStringLiteral("bgBack")))
        m_unsupported.append(QStringLiteral("template.card"));
    else if (mediaType && *mediaType != QLatin1String("auto"))
        warn("mac.catalog_print_settings");
    if (present(tpl, QStringLiteral("printSpeedMmSec")) || present(tpl, QStringLiteral("printDarkness")))
        warn("mac.catalog_print_settings");
}

void Conversion::readBackground()
{
    const CatalogJSON bg = m_design.template_[QStringLiteral("bg")];
    if (bg.isNull())
        return;
    if (bg.kind() != CatalogJSON::Kind::object)
        throw CatalogError(CatalogIssue::unsupported({QStringLiteral("template.bg")}));

    WebBackground background{bg, std::nullopt};
    if (webimport::string(bg, QStringLiteral("type")) == QLatin1String("image")) {
        const std::optional<QString> src = webimport::string(bg[QStringLiteral("image")], QStringLiteral("src"));
        if (!src || src->isEmpty())
            throw CatalogError(CatalogIssue::unsupported({QStringLiteral("template.bg.image.src")}));
        // Stored as fetched: the background is drawn from the original picture.
        auto [bytes, fromSigns] = webimport::loadImage(*src, m_image, m_token, m_signs);
        if (fromSigns)
            warn("mac.catalog_local_graphic");
        background.originalImage = std::move(bytes);
    }
    try {
        background.validate();
    } catch (const DocumentError &error) {
        if (error.issue() == DocumentIssue::invalidImage)
            throwCatalog(CatalogIssue::Kind::imageUnavailable);
        m_unsupported.append(QStringLiteral("template.bg"));
        return;
    } catch (const Error &) {
        m_unsupported.append(QStringLiteral("template.bg"));
        return;
    }
    m_document.webBackground = std::move(background);
}

std::optional<LabelElement> Conversion::readElement(const CatalogJSON &json, const QString &path)
{
    const std::optional<QString> type = json[QStringLiteral("type")].string();
    if (!type)
        invalid();
    const auto rule = typeRules().constFind(*type);
    if (rule == typeRules().constEnd()) {
        m_unsupported.append(path + QStringLiteral(".type (") + text::leadingGraphemes(*type, 60) + QLatin1Char(')'));
        return std::nullopt;
    }

    const QStringList keys = json.keys();
    if (std::any_of(keys.begin(), keys.end(),
                    [&](const QString &key) { return !commonKeys().contains(key) && !rule->keys.contains(key); }))
        warn("mac.catalog_preserved_fields");

    const std::optional<QString> side = webimport::string(json, QStringLiteral("side"));
    if (side && *side != QLatin1String("front"))
        m_unsupported.append(path + QStringLiteral(".side"));
    const std::optional<QString> source = webimport::string(json, QStringLiteral("source"));
    if (source && !source->isEmpty() && *source != QLatin1String("manual"))
        warn("mac.catalog_static_source");
    if (present(json, QStringLiteral("converterBinding")) || present(json, QStringLiteral("converterField")))
        warn("mac.catalog_bindings");

    const double x = webimport::number(json, QStringLiteral("x"), std::nullopt);
    const double y = webimport::number(json, QStringLiteral("y"), std::nullopt);
    const double w = webimport::number(json, QStringLiteral("w"), std::nullopt);
    const double h = webimport::number(json, QStringLiteral("h"), std::nullopt);

    LabelElement element(QUuid::createUuid(), rule->kind, QString(), x, y, w, h, 14);
    element.textStyle = TextStyle();
    element.strokeMm = 0.3;
    element.filled = false;
    element.barcode = BarcodeOptions();
    element.dateOptions = DateOptions();
    element.counter = CounterOptions();
    element.webMetadata = json;
    element.rotationDegrees = webimport::number(json, QStringLiteral("rotation"), 0.0);

    WebAppearance appearance;
    const QString color =
        webimport::string(json, QStringLiteral("color")).value_or(QString::fromLatin1(rule->defaultColor));
    if (!WebAppearance::cssColor(color)) {
        m_unsupported.append(path + QStringLiteral(".color"));
        return std::nullopt;
    }
    appearance.color = color;

    switch (rule->kind) {
    case ElementKind::text:
    case ElementKind::dateTime:
    case ElementKind::counter: readText(json, *type, path, element, appearance); break;
    case ElementKind::barcode: readBarcode(json, path, element, appearance); break;
    case ElementKind::line:
    case ElementKind::rectangle: readShape(json, *type, element, appearance); break;
    case ElementKind::image:
        if (!readPicture(json, *type, path, element, appearance))
            return std::nullopt;
        break;
    case ElementKind::qr:
    case ElementKind::ellipse: break;
    }
    element.webAppearance = std::move(appearance);
    return element;
}

void Conversion::readText(const CatalogJSON &json, const QString &type, const QString &path, LabelElement &element,
                          WebAppearance &appearance)
{
    const bool plainText = type == QLatin1String("text");
    element.content = webimport::string(json, QStringLiteral("text")).value_or(QString());
    const double fontSize = webimport::number(json, QStringLiteral("fontSize"), 16.0);
    element.fontSizePt = fontSize == 0 ? 12 : fontSize * webimport::pointsPerPixel;
    element.textStyle.fontName = webimport::string(json, QStringLiteral("font")).value_or(QStringLiteral("Roboto"));
    if (!WebFonts::resolve(element.textStyle.fontName, 12))
        warn("mac.catalog_font_warning");
    element.textStyle.bold = webimport::boolean(json, QStringLiteral("bold"), false);
    element.textStyle.italic = webimport::boolean(json, QStringLiteral("italic"), false);
    element.textStyle.underline = webimport::boolean(json, QStringLiteral("underline"), false);

    if (const std::optional<QString> align = webimport::string(json, QStringLiteral("align"))) {
        if (const std::optional<TextAlignment> alignment = textAlignmentFromRawValue(*align))
            element.textStyle.alignment = *alignment;
        else
            m_unsupported.append(path + QStringLiteral(".align"));
    }
    appearance.missingAlignment = !present(json, QStringLiteral("align"));

    appearance.vertical = oneOf(json, QStringLiteral("valign"), {"top", "bottom"}, QStringLiteral("center"));
    const double lineHeight = webimport::number(json, QStringLiteral("lineHeight"), 1.2);
    appearance.lineHeight = lineHeight == 0 ? 1.2 : lineHeight;
    const QString none = QStringLiteral("none");
    appearance.fitMode =
        plainText ? oneOf(json, QStringLiteral("textFitMode"), {"none", "height", "shrink"}, none) : none;
    appearance.shrink = appearance.fitMode != none;
    const QString plain = QStringLiteral("plain");
    appearance.valueFormat =
        plainText ? oneOf(json, QStringLiteral("textValueFormat"), {"financial", "money-rub"}, plain) : plain;

    if (type == QLatin1String("date")) {
        WebDateStyle style;
        style.mode = oneOf(json, QStringLiteral("dateMode"),
                           {"current", "manual", "calendar", "currentPlus", "calendarPlus"}, QStringLiteral("current"));
        style.format = webimport::string(json, QStringLiteral("dateFormat")).value_or(QStringLiteral("DD.MM.YYYY"));
        style.baseDate = webimport::string(json, QStringLiteral("baseDate"));
        style.offsetDays = webimport::number(json, QStringLiteral("offsetDays"), 0.0);
        appearance.date = style;
        // Evaluated once so that a day that does not exist fails now, not at every print.
        (void)style.value(QDateTime::currentDateTime(), element.content, QTimeZone::systemTimeZone());
    } else if (type == QLatin1String("numerator")) {
        element.counter.start = webimport::integer(json, QStringLiteral("start"), 1);
        element.counter.step = webimport::integer(json, QStringLiteral("step"), 1);
        element.counter.digits = webimport::integer(json, QStringLiteral("pad"), 4);
        element.counter.prefix = webimport::string(json, QStringLiteral("prefix")).value_or(QString());
        element.counter.suffix = webimport::string(json, QStringLiteral("suffix")).value_or(QString());
    }
    warn("mac.catalog_text_check");
}

void Conversion::readBarcode(const CatalogJSON &json, const QString &path, LabelElement &element,
                             WebAppearance &appearance)
{
    BarcodeSymbology symbology = BarcodeSymbology::ean13;
    if (const std::optional<QString> format = webimport::string(json, QStringLiteral("format"))) {
        const auto found = barcodeFormats().constFind(*format);
        if (found != barcodeFormats().constEnd())
            symbology = *found;
        else
            m_unsupported.append(path + QStringLiteral(".format"));
    }
    element.barcode.symbology = symbology;

    const std::optional<QString> value = json[QStringLiteral("value")].string();
    if (!value)
        invalid();
    element.content = *value;
    if (symbology == BarcodeSymbology::ean13) {
        if (const std::optional<QString> completed = webimport::completedEAN13(*value)) {
            element.content = *completed;
            warn("mac.catalog_ean13_completed");
        }
    }

    element.barcode.showsText = webimport::boolean(json, QStringLiteral("showValue"), true);
    element.barcode.captionFontSizePt =
        webimport::captionFontSizePt(webimport::number(json, QStringLiteral("barcodeFontSize"), 16.0));

    const bool gs1 = symbology == BarcodeSymbology::gs1DataMatrix;
    appearance.gs1Identification = gs1 && json[QStringLiteral("showGs1Identification")].boolean().value_or(false);
    appearance.gs1FontPx =
        webimport::gs1FontPx(webimport::number(json, QStringLiteral("gs1IdentificationFontSize"), 8.0));
    appearance.gs1GTIN = webimport::string(json, QStringLiteral("czGtin"));
    appearance.gs1Serial = webimport::string(json, QStringLiteral("czCodeSerial"));

    if (gs1)
        warn("mac.catalog_gs1_check");
    if (element.barcode.showsText && !isMatrix(symbology))
        warn("mac.catalog_barcode_caption");
}

void Conversion::readShape(const CatalogJSON &json, const QString &type, LabelElement &element,
                           WebAppearance &appearance)
{
    if (type == QLatin1String("line")) {
        element.strokeMm =
            std::max(webimport::number(json, QStringLiteral("thickness"), 1.0), 1.0) * webimport::millimetresPerPixel;
        return;
    }
    element.strokeMm =
        std::max(webimport::number(json, QStringLiteral("strokeWidth"), 1.0), 1.0) * webimport::millimetresPerPixel;
    appearance.radiusPt = webimport::number(json, QStringLiteral("radius"), 0.0) * webimport::pointsPerPixel;
    const std::optional<QString> fill = webimport::string(json, QStringLiteral("fill"));
    if (fill && !fill->isEmpty() && *fill != QLatin1String("transparent")) {
        appearance.fill = *fill;
        element.filled = true;
    }
}

bool Conversion::readPicture(const CatalogJSON &json, const QString &type, const QString &path, LabelElement &element,
                             WebAppearance &appearance)
{
    const std::optional<QString> src = webimport::string(json, QStringLiteral("src"));
    if (!src || src->isEmpty()) {
        m_unsupported.append(path + QStringLiteral(".src"));
        return false;
    }

    WebImagePlacement placement;
    if (type == QLatin1String("graphic"))
        placement.fit = QStringLiteral("contain");
    else
        placement.fit =
            webimport::string(json, QStringLiteral("fit"))
                .value_or(type == QLatin1String("logo") ? QStringLiteral("contain") : QStringLiteral("cover"));
    placement.scale = webimport::number(json, QStringLiteral("imgScale"), 100.0);
    placement.x = webimport::number(json, QStringLiteral("offsetX"), 50.0);
    placement.y = webimport::number(json, QStringLiteral("offsetY"), 50.0);
    placement.shape = type == QLatin1String("photo")
                          ? webimport::string(json, QStringLiteral("shape")).value_or(QStringLiteral("rect"))
                          : QStringLiteral("rect");
    try {
        placement.validate();
    } catch (const DocumentError &) {
        m_unsupported.append(path + QStringLiteral(".imagePlacement"));
    }
    appearance.image = placement;

    auto cached = m_pictures.constFind(*src);
    if (cached == m_pictures.constEnd()) {
        auto [bytes, fromSigns] = webimport::loadImage(*src, m_image, m_token, m_signs);
        if (fromSigns)
            warn("mac.catalog_local_graphic");
        cached = m_pictures.insert(*src, std::move(bytes));
    }
    element.originalImageData = *cached;
    try {
        element.imageData = WebImageAsset::thumbnail(*cached);
    } catch (const Error &) {
        throwCatalog(CatalogIssue::Kind::imageUnavailable);
    }
    return true;
}

} // namespace

ImportedWebTemplate WebTemplateImporter::convert(const CatalogDesign &design, const WebImageLoader &image,
                                                 const CancelToken &token, const WebSignLookup &signs)
{
    return Conversion(design, image, token, signs).run();
}

WebSignLookup WebTemplateImporter::bundledSigns()
{
    return [](const QString &reference) { return GraphicLibrary::bundledWebSign(reference); };
}

namespace webimport {

double number(const CatalogJSON &json, const QString &key, std::optional<double> fallback)
{
    const CatalogJSON value = json[key];
    if (value.isNull()) {
        if (!fallback)
            invalid();
        return *fallback;
    }
    const std::optional<double> result = value.number();
    if (!result || !std::isfinite(*result))
        invalid();
    return *result;
}

qint64 integer(const CatalogJSON &json, const QString &key, qint64 fallback)
{
    if (json[key].isNull())
        return fallback;
    const double value = number(json, key, std::nullopt);
    if (value != std::trunc(value) || std::abs(value) > maximumExactInteger)
        invalid();
    return qint64(value);
}

bool boolean(const CatalogJSON &json, const QString &key, bool fallback)
{
    const CatalogJSON value = json[key];
    if (value.isNull())
        return fallback;
    const std::optional<bool> result = value.boolean();
    if (!result)
        invalid();
    return *result;
}

std::optional<QString> string(const CatalogJSON &json, const QString &key)
{
    return json[key].string();
}

std::optional<QString> completedEAN13(const QString &value)
{
    if (value.size() != 12 || !std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (value.at(i).unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return value + QChar(u'0' + (10 - sum % 10) % 10);
}

double captionFontSizePt(double pixels)
{
    if (pixels == 0)
        return 12;
    if (pixels < 96)
        return std::max(pixels, 4.0) * pointsPerPixel;
    return 72;
}

double gs1FontPx(double pixels)
{
    const double size = pixels == 0 ? 8 : pixels;
    return std::max(4.0, std::min(size, 32.0));
}

std::pair<QByteArray, bool> loadImage(const QString &src, const WebImageLoader &image, const CancelToken &token,
                                      const WebSignLookup &signs)
{
    try {
        return {image(src, token), false};
    } catch (const CatalogError &error) {
        switch (error.issue().kind()) {
        case CatalogIssue::Kind::notFound: break;
        case CatalogIssue::Kind::invalid: throwCatalog(CatalogIssue::Kind::imageUnavailable);
        default: throw;
        }
    } catch (const CancellationError &) {
        throwCatalog(CatalogIssue::Kind::cancelled);
    } catch (const std::exception &) {
        throwCatalog(CatalogIssue::Kind::imageUnavailable);
    }
    // The catalog does not have it: a built-in sign may stand in.
    std::optional<QByteArray> sign;
    try {
        sign = signs ? signs(src) : std::nullopt;
    } catch (const std::exception &) {
        throwCatalog(CatalogIssue::Kind::imageUnavailable);
    }
    if (!sign)
        throwCatalog(CatalogIssue::Kind::imageUnavailable);
    return {std::move(*sign), true};
}

} // namespace webimport

} // namespace kestrivane
