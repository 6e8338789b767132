#pragma once

#include <QByteArray>

struct zint_symbol;

namespace kestrivane::ZintEncode {

// Called before every encode, on the encoding thread.
using Observer = void (*)();

// Installs `observer` (nullptr for none) and returns the one it replaces. Encoding a code is
// the costly step of printing barcodes, so tests watch how often a job does it.
Observer setObserver(Observer observer);

// zint's encode of `data` into `symbol`, telling the observer first; zint's result.
int encode(zint_symbol *symbol, const QByteArray &data);

} // namespace kestrivane::ZintEncode
