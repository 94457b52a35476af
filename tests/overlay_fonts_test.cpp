#include "overlay/overlay_fonts.h"

#include "tests/test_folder.h"

#include <gtest/gtest.h>
#include <imgui.h>

#include <filesystem>
#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

// The Fonts folders of scripts/setup: mono (consola.ttf) and both (consola.ttf, msyh.ttc).
const std::filesystem::path kFonts = VELLOX_FONTS_DIR;

TEST(OverlayFonts, FontsFolderIsSystemRootsOrTheWindowsDefault) {
    EXPECT_EQ(fontsFolder(nullptr), std::filesystem::path("C:/Windows") / "Fonts");
    // Joined by the platform's path rules: D:\Win\Fonts on Windows.
    EXPECT_EQ(fontsFolder("D:\\Win"), std::filesystem::path("D:\\Win") / "Fonts");
}

TEST(OverlayFonts, AMissingFileIsNoFont) {
    ImFontAtlas atlas;
    EXPECT_FALSE(loadFontFile(&atlas, kFonts / "none" / "consola.ttf", nullptr, 14.0f,
                              atlas.GetGlyphRangesDefault()));
    EXPECT_EQ(atlas.ConfigData.Size, 0);
}

TEST(OverlayFonts, TheMonospaceFontFirstThenEveryChineseFontMergedIntoIt) {
    const std::filesystem::path chineseOnly = testFolderPath("vellox-fonts");
    std::filesystem::create_directories(chineseOnly / "Fonts");
    std::filesystem::copy_file(kFonts / "both" / "Fonts" / "msyh.ttc",
                               chineseOnly / "Fonts" / "msyh.ttc",
                               std::filesystem::copy_options::overwrite_existing);
    struct Case {
        const char* what;
        std::filesystem::path folder;
        int result;
        int fonts;  // configurations the atlas got: the first font, then each one merged
    };
    const Case cases[] = {
        {"no fonts", kFonts / "none" / "Fonts", 1, 0},
        {"a Chinese font without the monospace one is not tried", chineseOnly / "Fonts", 1, 0},
        {"the monospace font alone", kFonts / "mono" / "Fonts", 1, 1},
        {"both", kFonts / "both" / "Fonts", 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImFontAtlas atlas;
        EXPECT_EQ(loadOverlayFonts(&atlas, c.folder), c.result);
        ASSERT_EQ(atlas.ConfigData.Size, c.fonts);
        if (c.fonts > 0) {
            EXPECT_EQ(atlas.ConfigData[0].SizePixels, 14.0f);
            EXPECT_FALSE(atlas.ConfigData[0].MergeMode);
            EXPECT_EQ(atlas.ConfigData[0].GlyphRanges, atlas.GetGlyphRangesDefault());
        }
        if (c.fonts > 1) {
            EXPECT_EQ(atlas.ConfigData[1].SizePixels, 16.0f);
            EXPECT_TRUE(atlas.ConfigData[1].MergeMode);
            EXPECT_EQ(atlas.ConfigData[1].GlyphRanges, atlas.GetGlyphRangesChineseFull());
        }
        EXPECT_EQ(atlas.Fonts.Size, c.fonts > 0 ? 1 : 0);
    }
    std::filesystem::remove_all(chineseOnly);
}

}  // namespace
