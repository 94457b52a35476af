#include "overlay/overlay_fonts.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr float kLatinFontPixels = 14.0f;
constexpr float kChineseFontPixels = 16.0f;

// In this order; every one present is merged.
constexpr const char* kChineseFonts[] = {"msyh.ttf", "msyi.ttf", "msyh.ttc", "simhei.ttf"};

}  // namespace

bool loadFontFile(ImFontAtlas* atlas, const std::filesystem::path& path,
                  const ImFontConfig* config, float sizePixels, const ImWchar* glyphRanges) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    if (bytes.empty()) return false;
    void* const data = IM_ALLOC(bytes.size());
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
    return atlas->AddFontFromMemoryTTF(data, static_cast<int>(bytes.size()), sizePixels, config,
                                       glyphRanges) != nullptr;
}

std::filesystem::path fontsFolder(const char* systemRoot) {
    return std::filesystem::path(systemRoot != nullptr ? systemRoot : "C:/Windows") / "Fonts";
}

int loadOverlayFonts(ImFontAtlas* atlas, const std::filesystem::path& folder) {
    if (!loadFontFile(atlas, folder / "consola.ttf", nullptr, kLatinFontPixels,
                      atlas->GetGlyphRangesDefault())) {
        return 1;
    }
    ImFontConfig merge;
    merge.MergeMode = true;
    bool merged = false;
    for (const char* name : kChineseFonts) {
        merged |= loadFontFile(atlas, folder / name, &merge, kChineseFontPixels,
                               atlas->GetGlyphRangesChineseFull());
    }
    return merged ? 2 : 1;
}

}  // namespace Zo::KV9RudiVeruv
