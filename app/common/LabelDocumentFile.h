#pragma once

#include <QString>
#include <QStringList>

namespace kestrivane {

// The document file types. The type identifiers name the formats towards the desktop
// (MIME packages, file associations); dialogs filter by the file extension.
struct LabelDocumentFile {
    // Written by Save and read by Open.
    static inline const QString contentType = QStringLiteral("com.morvathsoftware.kestrivane.document");
    // Files of earlier releases; read, never written.
    static inline const QString legacyContentType = QStringLiteral("com.morvathsoftware.kestrivane.legacy-document");
    // The extension of `contentType`, without the dot.
    static inline const QString fileExtension = QStringLiteral("ksv");

    // What the open dialog accepts: both types.
    static QStringList readableContentTypes() { return {contentType, legacyContentType}; }
    // What the save dialog offers: the current type alone.
    static QStringList writableContentTypes() { return {contentType}; }

    // Whether a file name carries the document extension (in any letter case).
    static bool hasDocumentExtension(const QString &fileName);
};

} // namespace kestrivane
