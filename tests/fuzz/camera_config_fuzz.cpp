// The camera configuration file, loaded as the first overlay frame loads it, saved again and
// loaded once more. Neither may let anything out, the load always leaves a profile to work on,
// whatever a load gave saves, and the second load gives the same profiles as the first. A file
// the first load could not read is kept, byte for byte, beside the one the save wrote.

#include "overlay/camera_config.h"
#include "overlay/camera_profile.h"
#include "overlay/output_log.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

using namespace Zo::KV9RudiVeruv;
namespace fs = std::filesystem;

namespace {

// A plug-in module of this process's own, in a folder of its own that goes when the process
// ends.
class ModuleFolder {
public:
    ModuleFolder() {
        std::string folder = (fs::temp_directory_path() / "vellox-camera-fuzz-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        m_folder = folder;
    }
    ~ModuleFolder() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    ModuleFolder(const ModuleFolder&) = delete;
    ModuleFolder& operator=(const ModuleFolder&) = delete;

    fs::path module() const { return m_folder / "Vellox.dll"; }

private:
    fs::path m_folder;
};

const fs::path& modulePath() {
    static const ModuleFolder folder;
    static const fs::path path = folder.module();
    return path;
}

std::string readBytes(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const ModulePathLookup lookup = [] { return modulePath(); };
    const fs::path file = modulePath().string() + ".camera_config.txt";
    const fs::path keptCopy = file.string() + ".unreadable-1";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << input;
    g_cameraProfiles.clear();
    loadCameraConfig(lookup);
    if (g_cameraProfiles.empty()) __builtin_trap();
    const bool loaded = g_configStatusText.rfind("加载配置出错", 0) != 0;
    const std::vector<CameraProfile> profiles = g_cameraProfiles;
    saveCameraConfig(lookup);
    if (g_configStatusText == "保存配置出错") __builtin_trap();
    if (loaded ? fs::exists(keptCopy) : readBytes(keptCopy) != input) __builtin_trap();
    fs::remove(keptCopy);
    g_cameraProfiles.clear();
    loadCameraConfig(lookup);
    const bool same = std::equal(profiles.begin(), profiles.end(), g_cameraProfiles.begin(),
                                 g_cameraProfiles.end(),
                                 [](const CameraProfile& a, const CameraProfile& b) {
                                     return sameSavedFields(a, b);
                                 });
    if (!same) __builtin_trap();
    g_outputLog.clear();  // the lines of values read as 0 and of kept copies
    return 0;
}
