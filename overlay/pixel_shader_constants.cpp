#include "overlay/pixel_shader_constants.h"

namespace Zo::KV9RudiVeruv {

PixelShaderConstantRead pixelShaderConstantReader(IDirect3DDevice9* device) {
    if (device == nullptr) return {};
    return [device](unsigned int startRegister, float* constants, unsigned int vector4Count) {
        device->GetPixelShaderConstantF(startRegister, constants, vector4Count);  // not tested
    };
}

}  // namespace Zo::KV9RudiVeruv
