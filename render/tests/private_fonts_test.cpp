// The private font configuration: what each family a page asks for resolves to under it.
#include "render/private_fonts.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <string>

namespace {

// Matches `family` (bold when asked, holding `character` when not 0) under `config`; the file.
std::string MatchedFile(FcConfig* config, const char* family, bool bold, FcChar32 character) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    if (character != 0) {
        FcCharSet* set = FcCharSetCreate();
        FcCharSetAddChar(set, character);
        FcPatternAddCharSet(pattern, FC_CHARSET, set);
        FcCharSetDestroy(set);
    }
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file.substr(file.rfind('/') + 1);
}

TEST(PrivateFonts, EveryFamilyAPageAsksForFindsItsFont) {
    const std::vector<std::string> files = PageFontFiles();
    if (files.empty()) GTEST_SKIP() << "Liberation Sans is not installed";
    FcConfig* config = FcConfigCreate();
    const std::string xml = PrivateFontConfigXml(files);
    ASSERT_TRUE(FcConfigParseAndLoadFromMemory(
        config, reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue));
    ASSERT_TRUE(FcConfigBuildFonts(config));
    struct Case {
        const char* family;
        bool bold;
        FcChar32 character;
        const char* file;
    };
    const Case cases[] = {
        {"Arial", false, 0, "LiberationSans-Regular.ttf"},
        {"Arial", true, 0, "LiberationSans-Bold.ttf"},
        {"sans-serif", false, 0, "LiberationSans-Regular.ttf"},
        {"Liberation Sans", true, 0, "LiberationSans-Bold.ttf"},
        {"Arial", false, 0x2609, "DejaVuSans.ttf"},  // a glyph Liberation lacks
        {"Arial", true, 0x2644, "DejaVuSans-Bold.ttf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchedFile(config, c.family, c.bold, c.character), c.file)
            << c.family << (c.bold ? " bold" : "") << " U+" << std::hex << c.character;
    }
    // Only the page's fonts are in it.
    FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(static_cast<std::size_t>(fonts->nfont), files.size());
    FcConfigDestroy(config);
}

TEST(PrivateFonts, FoldersWithMarkupCharactersAreEscaped) {
    const std::string xml = PrivateFontConfigXml({"/fonts/a&b<c>/LiberationSans-Regular.ttf"});
    EXPECT_NE(xml.find("<dir>/fonts/a&amp;b&lt;c&gt;</dir>"), std::string::npos) << xml;
    FcConfig* config = FcConfigCreate();
    EXPECT_TRUE(FcConfigParseAndLoadFromMemory(
        config, reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue));
    FcConfigDestroy(config);
}

}  // namespace
