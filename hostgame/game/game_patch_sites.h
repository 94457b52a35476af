#pragma once

// What the stand-in game's patch-site assembly defines.

#include <cstdint>

extern "C" {
// The camera's range limit, 10000.0f, that the four checks load.
extern const float g_cameraRangeLimit;
// The checks' assertion texts, in the order the plug-in looks for them.
extern const char g_cameraCachedPosText[];
extern const char g_cameraCurDirText[];
extern const char g_cameraPrevPosText[];
extern const char g_cameraNextPosText[];
// How often the checks' assertion ran.
extern uint32_t g_cameraAssertCalls;

// The four checks, in address order. Each starts with the 8-byte load of the limit that the
// plug-in redirects, and returns the limit it loaded.
float host_camera_check_cached_pos();
float host_camera_check_cur_dir();
float host_camera_check_prev_pos();
float host_camera_check_next_pos();
// Code padding right after the checks, never run.
extern uint8_t host_camera_checks_padding[];

// " does not exist.  Ignoring request."
extern const char g_missingPlayerText[];
// Starts with the push of g_missingPlayerText; reads g_worldBuilderGlobal into ecx after its
// first call.
void host_report_missing_player();
}

namespace HostGame {

using CameraRangeCheck = float (*)();

// The checks with their texts, in address order.
struct CameraRangeCheckSite {
    CameraRangeCheck check;
    const char* text;
};
inline const CameraRangeCheckSite kCameraRangeCheckSites[] = {
    {host_camera_check_cached_pos, g_cameraCachedPosText},
    {host_camera_check_cur_dir, g_cameraCurDirText},
    {host_camera_check_prev_pos, g_cameraPrevPosText},
    {host_camera_check_next_pos, g_cameraNextPosText},
};

}  // namespace HostGame
