#include "core/render/TextBoxGeometry.h"

#include "core/model/WebAppearance.h"

namespace kestrivane {

namespace {

// Template texts sit inside their box by these margins, points.
constexpr double templateInsetX = 1.5;
constexpr double templateInsetY = 0.75;

double verticalShare(WebTextVertical vertical)
{
    switch (vertical) {
    case WebTextVertical::top: return 0;
    case WebTextVertical::bottom: return 1;
    case WebTextVertical::center:
    case WebTextVertical::other: break;
    }
    return 0.5;
}

} // namespace

TextBoxGeometry textBoxGeometry(const LabelElement &element)
{
    const auto &appearance = element.webAppearance;
    if (!appearance)
        return {};
    return {templateInsetX, templateInsetY, verticalShare(webTextVertical(appearance->vertical)),
            appearance->lineHeight};
}

} // namespace kestrivane
