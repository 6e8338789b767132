#pragma once

#include <QString>

#include <optional>
#include <ranges>

namespace kestrivane {

// The case of an enumeration whose stored text is `raw`, looked up among `allCases` with the
// enumeration's free `rawValue` (found by argument-dependent lookup); nothing for any other
// text. Stored texts are compared exactly: case and white space matter.
template <std::ranges::input_range Cases>
std::optional<std::ranges::range_value_t<Cases>> fromRawValue(const Cases &allCases, const QString &raw)
{
    for (const auto value : allCases) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

} // namespace kestrivane
