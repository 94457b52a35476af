// The camera configuration file, loaded as the first overlay frame loads it and then saved
// again. Neither may let anything out, and the load always leaves a profile to work on.

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace Zo::KV9RudiVeruv;
namespace fs = std::filesystem;

namespace {

// A plug-in module of this process's own, in a folder of its own.
const fs::path& modulePath() {
    static const fs::path path = [] {
        std::string folder = (fs::temp_directory_path() / "vellox-camera-fuzz-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        return fs::path(folder) / "Vellox.dll";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const ModulePathLookup lookup = [] { return modulePath(); };
    {
        std::ofstream file(modulePath().string() + ".camera_config.txt",
                           std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    g_cameraProfiles.clear();
    loadCameraConfig(lookup);
    if (g_cameraProfiles.empty()) __builtin_trap();
    saveCameraConfig(lookup);
    return 0;
}
