#include "overlay/main_window.h"

#include "overlay/output_log.h"

#include <imgui.h>

namespace Zo::KV9RudiVeruv {

namespace {

constexpr float kInitialWidth = 560.0f;
constexpr float kInitialHeight = 400.0f;

}  // namespace

void drawMainWindow() {
    // With only the Output log inside, the toolkit's fit to the contents would leave the window
    // a title bar; the user's own size, kept in "imgui.ini", wins from then on.
    ImGui::SetNextWindowSize(ImVec2(kInitialWidth, kInitialHeight), ImGuiCond_FirstUseEver);
    if (ImGui::Begin(kMainWindowTitle, nullptr, 0)) {
        // The usage notes, hotkey editors, time controls and settings come before the log
        // once they exist; the Output log is always the last item.
        drawOutputLog();
    }
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
