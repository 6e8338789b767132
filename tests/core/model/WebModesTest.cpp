#include "core/model/WebAppearance.h"
#include "core/model/WebBackground.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace kestrivane;

namespace {

// Every word a template may hold reads as its mode and is written back unchanged; any
// other text, a known word in other case among them, reads as `other`.
template <typename Mode>
void expectModeWords(Mode (*parse)(const QString &), const std::vector<std::pair<const char *, Mode>> &words)
{
    for (const auto &[word, mode] : words) {
        SCOPED_TRACE(word);
        EXPECT_EQ(parse(QString::fromLatin1(word)), mode);
        EXPECT_EQ(rawValue(mode), QLatin1String(word));
        EXPECT_EQ(parse(QString::fromLatin1(word).toUpper()), Mode::other);
        EXPECT_EQ(parse(QLatin1String(" ") + QString::fromLatin1(word)), Mode::other);
    }
    EXPECT_EQ(parse(QString()), Mode::other);
    EXPECT_EQ(rawValue(Mode::other), QString());
}

} // namespace

TEST(WebModes, KnownWordsReadAndWriteBackAndOthersReadAsOther)
{
    using V = WebTextVertical;
    expectModeWords<V>(webTextVertical, {{"top", V::top}, {"center", V::center}, {"bottom", V::bottom}});
    using F = WebImageFit;
    expectModeWords<F>(webImageFit,
                       {{"contain", F::contain}, {"cover", F::cover}, {"scale", F::scale}, {"fill", F::fill}});
    using S = WebImageShape;
    expectModeWords<S>(webImageShape, {{"rect", S::rect}, {"circle", S::circle}, {"rounded", S::rounded}});
    using D = WebDateMode;
    expectModeWords<D>(webDateMode, {{"current", D::current},
                                     {"manual", D::manual},
                                     {"calendar", D::calendar},
                                     {"currentPlus", D::currentPlus},
                                     {"calendarPlus", D::calendarPlus}});
    using B = WebBackgroundType;
    expectModeWords<B>(
        webBackgroundType,
        {{"none", B::none}, {"color", B::color}, {"linear", B::linear}, {"radial", B::radial}, {"image", B::image}});
}
