#pragma once

// Temporary stand-in until the background type with its checks and drawing lands:
// the two stored fields and an empty check, so the document model and its file format
// can be built and tested against them.

#include "json/CatalogJSON.h"

#include <QByteArray>

#include <optional>

namespace kestrivane {

struct WebBackground {
    CatalogJSON definition;
    std::optional<QByteArray> originalImage;

    void validate() const {}

    friend bool operator==(const WebBackground &, const WebBackground &) = default;
};

} // namespace kestrivane
