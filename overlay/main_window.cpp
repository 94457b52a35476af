#include "overlay/main_window.h"

#include "overlay/output_log.h"

#include <imgui.h>

namespace Zo::KV9RudiVeruv {

void drawMainWindow() {
    if (ImGui::Begin(kMainWindowTitle, nullptr, 0)) {
        // The usage notes, hotkey editors, time controls and settings come before the log
        // once they exist; the Output log is always the last item.
        drawOutputLog();
    }
    ImGui::End();
}

}  // namespace Zo::KV9RudiVeruv
