#pragma once

// The record of one picture stored in the user's image library.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace kestrivane {

struct UserGraphic {
    QUuid id;
    // 1 to 255 characters, already in the form `UserGraphicLibrary::safeName` gives.
    QString displayName;
    // Seconds since 2001-01-01 00:00:00 UTC, exactly as the side file holds them; finite.
    double importedAt = 0;
    // SHA-256 of the stored PNG as 64 lower-case hexadecimal digits.
    QString sha256;

    // "user:" and the lower-case hyphenated UUID: the graphic id of image elements.
    QString graphicID() const;

    // The side file: compact JSON with the members in a fixed order ("id", "displayName",
    // "importedAt", "sha256"), which a JSON object would sort.
    QByteArray encoded() const;

    // A side file's record, members in any order and others ignored; nothing when it is
    // not a JSON object with those four members of the right types and a canonical UUID.
    static std::optional<UserGraphic> decode(const QByteArray &json);

    friend bool operator==(const UserGraphic &, const UserGraphic &) = default;
};

// `importedAt` for a clock time.
double referenceSeconds(const QDateTime &time);

} // namespace kestrivane
