#include "overlay/pixel_shader_constants.h"

#include "hostgame/game/game_device.h"

#include <gtest/gtest.h>

#include <array>

using namespace Zo::KV9RudiVeruv;

namespace {

TEST(PixelShaderConstants, TheReaderGivesWhatTheDeviceHolds) {
    const HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    ASSERT_NE(d3d9, nullptr);
    {
        HostGame::GameDevice game;
        const std::array<float, 8> set{1.5f, -2.0f, 3.25f, 9.0f, 5.0f, 6.0f, 7.0f, 8.0f};
        ASSERT_EQ(game.device()->SetPixelShaderConstantF(123, set.data(), 2), D3D_OK);
        const PixelShaderConstantRead read = pixelShaderConstantReader(game.device());
        ASSERT_TRUE(read);
        std::array<float, 4> constants{};
        read(123, constants.data(), 1);
        EXPECT_EQ(constants, (std::array<float, 4>{1.5f, -2.0f, 3.25f, 9.0f}));
    }
    FreeLibrary(d3d9);
}

TEST(PixelShaderConstants, NoDeviceGivesNoReader) {
    EXPECT_FALSE(pixelShaderConstantReader(nullptr));
}

}  // namespace
