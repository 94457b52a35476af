#pragma once

// The game's side of the render-settings edge, in memory of the test's own.

#include "overlay/game_render_edge.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

using Rgb = std::array<float, 3>;

// The game's side of the edge. Each light-colour access finds the colour at a new place, as a
// game that moved its lighting block would: what the window reads and what it writes show.
struct FakeGameRender {
    static constexpr std::size_t kBlocks = 4;

    std::optional<std::pair<bool, bool>> displayFlags;  // the last write
    int32_t shadowMapSize = 2048;
    float maxShadowDistance = 450.0f;
    std::map<Zo::KV9RudiVeruv::LightColor, std::array<Rgb, kBlocks>> lightBlocks;
    std::map<Zo::KV9RudiVeruv::LightColor, std::size_t> lightAccesses;
    int patches = 0;
    bool hasLighting = true;

    FakeGameRender() {
        for (const Zo::KV9RudiVeruv::LightColor color :
             {Zo::KV9RudiVeruv::LightColor::Main, Zo::KV9RudiVeruv::LightColor::Tint1, Zo::KV9RudiVeruv::LightColor::Tint2, Zo::KV9RudiVeruv::LightColor::Ambient}) {
            lightBlocks[color].fill(Rgb{0.2f, 0.4f, 0.6f});
        }
    }

    Zo::KV9RudiVeruv::GameRenderEdge edge() {
        return Zo::KV9RudiVeruv::GameRenderEdge{
            [this](bool healthBars, bool silhouettes) { displayFlags = {healthBars, silhouettes}; },
            [this] { return &shadowMapSize; },
            [this] { return &maxShadowDistance; },
            [this](Zo::KV9RudiVeruv::LightColor color) -> float* {
                if (!hasLighting) return nullptr;
                std::size_t& accesses = lightAccesses[color];
                return lightBlocks[color][accesses++ % kBlocks].data();
            },
            [this] { ++patches; },
        };
    }
};
