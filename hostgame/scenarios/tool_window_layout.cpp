#include "hostgame/scenarios/tool_window_layout.h"

#include "hostgame/scenarios/overlay_game.h"
#include "overlay/bezier_inspector.h"
#include "overlay/camera_control_window.h"
#include "overlay/lua_functions_window.h"
#include "overlay/main_window.h"
#include "overlay/timed_events_window.h"

#include <fstream>

namespace HostGame {

void writeWindowPlace(std::ostream& ini, const char* title, int x, int y, int width, int height,
                      bool collapsed) {
    ini << "[Window][" << title << "]\nPos=" << x << ',' << y << "\nSize=" << width << ','
        << height << "\nCollapsed=" << (collapsed ? 1 : 0) << "\n\n";
}

void writeToolWindowLayout(const std::filesystem::path& folder) {
    using namespace Zo::KV9RudiVeruv;
    std::ofstream ini(folder / "imgui.ini");
    writeWindowPlace(ini, kMainWindowTitle, 0, 0, 540, 720, false);
    writeWindowPlace(ini, kCameraControlWindowTitle, 540, 0, 420, 720, false);
    writeWindowPlace(ini, kLuaFunctionsWindowTitle, 960, 0, 320, 420, false);
    writeWindowPlace(ini, kBezierInspectorWindowTitle, 960, 420, 320, 280, false);
    writeWindowPlace(ini, kTimedEventsWindowTitle, 960, 700, 320, 20, true);
}

void GameMouse::click(Point at) {
    moveTo(at);
    m_device.window().send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    frame();
    m_device.window().send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    frame();
}

void GameMouse::drag(Point from, int dx) {
    moveTo(from);
    m_device.window().send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    frame();
    constexpr int kSteps = 4;
    Point at = from;
    for (int step = 1; step <= kSteps; ++step) {
        at.x = from.x + dx * step / kSteps;
        SetCursorPos(at.x, at.y);
        m_device.window().send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        frame();
    }
    m_device.window().send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    frame();
}

void GameMouse::moveTo(Point at) {
    SetCursorPos(at.x, at.y);  // the window's client area starts at the screen's origin
    m_device.window().send(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    frame();
}

void GameMouse::frame() { m_device.drawFrame(kGameColor); }

}  // namespace HostGame
