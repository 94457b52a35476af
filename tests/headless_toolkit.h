#pragma once

// Dear ImGui without a device for window tests: a fixed display, one test-driven frame at a
// time, each drawing inside one fixed window, with real mouse and text input between frames.

#include <imgui.h>
#include <imgui_internal.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

// How many of the vertices that a window's contents drew in the last frame lie more than a pixel
// (a line's soft edge) outside the rectangle they are clipped to: what the screen shows of them
// is cut.
int verticesCutOff(const ImGuiWindow& window);

// Where a window drew `text` visibly in the last frame, at its `occurrence`-th place in drawing
// order (0 = first); empty when it did not.
std::optional<ImRect> findTextIn(const ImGuiWindow& window, const std::string& text,
                                 int occurrence = 0);

class HeadlessToolkit {
public:
    // `texts` hold the non-ASCII characters that the frames draw. The built-in font has none of
    // them, so each gets a blank glyph of its own: texts stay findable by what they say.
    explicit HeadlessToolkit(ImVec2 windowSize, std::initializer_list<const char*> texts = {});
    ~HeadlessToolkit();
    HeadlessToolkit(const HeadlessToolkit&) = delete;
    HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

    // One frame; `draw` runs inside the window, which stands at (0, 0). Returns the window.
    ImGuiWindow* frame(const std::function<void()>& draw);

    // One frame, returning the text it drew as the toolkit's log capture writes it.
    std::string frameText(const std::function<void()>& draw);

    // Where the last frame drew `text` visibly, at its `occurrence`-th place in drawing order
    // (0 = first). Fails the test and gives an empty rectangle when it is not there.
    ImRect textRect(const std::string& text, int occurrence = 0) const;
    // The same, without failing: empty when the last frame did not draw `text` visibly.
    std::optional<ImRect> findText(const std::string& text, int occurrence = 0) const;

    // A press frame and a release frame with the mouse at `position`.
    void clickAt(ImVec2 position, const std::function<void()>& draw);

    // A layout frame, then a click on the middle of `text` as that frame drew it.
    void clickText(const std::string& text, const std::function<void()>& draw,
                   int occurrence = 0);

    // One frame in which `text` is typed into the widget that has the keyboard.
    void type(const std::string& text, const std::function<void()>& draw);

    // A frame with `key` down, then one with it up.
    void press(ImGuiKey key, const std::function<void()>& draw);

private:
    ImGuiContext* m_context;
    ImVec2 m_windowSize;
    ImGuiWindow* m_window = nullptr;
};
