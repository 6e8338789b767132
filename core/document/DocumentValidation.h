#pragma once

#include "core/model/LabelDocument.h"
#include "core/render/RenderCache.h"

#include <QList>

namespace kestrivane::DocumentValidation {

// As LabelDocument::validate, appending to `encoded` the drawing of every barcode the check
// encodes: encoding is the costly part of checking a label, and a caller that draws the
// document next hands them to its render cache instead of encoding them again.
void validateKeepingBarcodes(const LabelDocument &document, QList<RenderCache::ProvidedBarcode> &encoded);

} // namespace kestrivane::DocumentValidation
