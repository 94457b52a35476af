// The camera configuration file, loaded as the first overlay frame loads it, saved again and
// loaded once more. Neither may let anything out, the load always leaves a profile to work on,
// whatever a load gave saves, and the second load gives the same profiles as the first.

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"
#include "overlay/output_log.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
    const std::vector<CameraProfile> loaded = g_cameraProfiles;
    saveCameraConfig(lookup);
    if (g_configStatusText == "保存配置出错") __builtin_trap();
    g_cameraProfiles.clear();
    loadCameraConfig(lookup);
    const bool same = std::equal(loaded.begin(), loaded.end(), g_cameraProfiles.begin(),
                                 g_cameraProfiles.end(),
                                 [](const CameraProfile& a, const CameraProfile& b) {
                                     return sameSavedFields(a, b);
                                 });
    if (!same) __builtin_trap();
    g_outputLog.clear();  // the lines of values read as 0
    return 0;
}
