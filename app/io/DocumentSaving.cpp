#include "app/io/DocumentSaving.h"

#include "app/common/LabelDocumentFile.h"
#include "app/common/WorkspaceIssue.h"
#include "app/io/EditorDialogs.h"
#include "core/common/TextRules.h"
#include "core/l10n/Localization.h"
#include "core/model/LabelDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kestrivane::DocumentSaving {

namespace {

const QString documentSuffix = QStringLiteral(".ksv");

bool hasDocumentSuffix(const QString &path)
{
    return QFileInfo(path).suffix().toLower() == LabelDocumentFile::fileExtension;
}

} // namespace

QString cleanedFileName(const QString &name)
{
    QString cleaned = name;
    cleaned.replace(QLatin1Char('/'), QLatin1Char('-'));
    cleaned.replace(QLatin1Char(':'), QLatin1Char('-'));
    for (QChar &c : cleaned)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('-');
    return cleaned;
}

QString fittedFileName(const QString &name, const QString &suffix)
{
    // NAME_MAX of the usual Linux file systems; a longer name leaves the save dialog's
    // button disabled without a word.
    constexpr qsizetype maximumBytes = 255;
    const auto fits = [&](qsizetype end) { return QFile::encodeName(name.left(end) + suffix).size() <= maximumBytes; };
    if (fits(name.size()))
        return name + suffix;
    QList<qsizetype> ends = text::innerGraphemeBoundaries(name);
    if (ends.isEmpty() || !fits(ends.first())) {
        ends.clear();
        for (qsizetype i = 1; i < name.size(); ++i)
            if (!name.at(i).isLowSurrogate())
                ends.append(i);
    }
    // The encoded length grows with the start kept.
    const auto past = std::partition_point(ends.cbegin(), ends.cend(), fits);
    return (past == ends.cbegin() ? QString() : name.left(*(past - 1))) + suffix;
}

QString suggestedFileName(const QString &documentName, const std::optional<QString> &file)
{
    QString name = cleanedFileName(file ? QFileInfo(*file).completeBaseName() : documentName);
    QString suffix = documentSuffix;
    if (name.toLower().endsWith(documentSuffix)) {
        suffix = name.right(documentSuffix.size());
        name.chop(documentSuffix.size());
    }
    return fittedFileName(name, suffix);
}

std::optional<QString> saveTarget(EditorDialogs &dialogs, const Localization &localization, const QString &documentName,
                                  const std::optional<QString> &file, bool saveAs)
{
    if (!saveAs && file && hasDocumentSuffix(*file))
        return *file;

    const QString title = localization.text(QStringLiteral("btn_save"));
    EditorDialogs::SaveRequest request;
    request.nameFilter = QStringLiteral("*") + documentSuffix;
    request.defaultSuffix = LabelDocumentFile::fileExtension;
    request.directory = file ? QFileInfo(*file).absolutePath() : QString();
    request.suggestedName = suggestedFileName(documentName, file);
    request.title = title;
    request.acceptLabel = title;
    const std::optional<QString> chosen = dialogs.chooseSaveFile(request);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    // Desktop save dialogs do not all add the extension of the filter; a name typed
    // without it would otherwise write nothing and say nothing.
    return hasDocumentSuffix(*chosen) ? *chosen : *chosen + documentSuffix;
}

QString write(const LabelDocument &document, const QString &path, const std::function<bool(const QString &)> &maySaveTo)
{
    if (!maySaveTo(path))
        throwIssue(WorkspaceIssue::fileAlreadyOpen);
    document.saveTo(path);
    return QFileInfo(path).absoluteFilePath();
}

CloseDecision closeDecision(EditorDialogs &dialogs, const Localization &localization, const QString &documentName)
{
    using Button = EditorDialogs::Button;
    using Role = EditorDialogs::ButtonRole;
    const QList<Button> buttons = {
        {localization.text(QStringLiteral("btn_save")), Role::accept},
        {localization.text(QStringLiteral("mac.dont_save")), Role::destructive},
        {localization.text(QStringLiteral("btn_canc")), Role::reject},
    };
    const std::optional<qsizetype> answer =
        dialogs.choose(localization.text(QStringLiteral("mac.save_changes")),
                       localization.format(QStringLiteral("mac.save_changes_body"), {documentName}), buttons);
    if (answer == 0)
        return CloseDecision::save;
    if (answer == 1)
        return CloseDecision::discard;
    return CloseDecision::cancel;
}

QString canonicalDocumentPath(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty())
        return existing;
    // A file that does not exist yet has no canonical path of its own: resolve the folder
    // it would be in and keep its name.
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return QDir::cleanPath(info.absoluteFilePath());
    return QDir(folder).filePath(info.fileName());
}

bool sameDocumentFile(const QString &a, const QString &b)
{
    const QString first = canonicalDocumentPath(a);
    return !first.isEmpty() && first == canonicalDocumentPath(b);
}

} // namespace kestrivane::DocumentSaving
