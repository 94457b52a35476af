#pragma once

// A Dear ImGui context of its own, made current, with a fixed display, no settings file and its
// font atlas built: what a frame needs when there is no device.

#include <imgui.h>

// `fonts`, when given, is the caller's atlas with its fonts added; otherwise the context has
// an atlas of its own with the toolkit's default font.
inline ImGuiContext* createHeadlessContext(ImVec2 displaySize, ImFontAtlas* fonts = nullptr) {
    ImGuiContext* const context = ImGui::CreateContext(fonts);
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = displaySize;
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    return context;
}
