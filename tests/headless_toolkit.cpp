#include "tests/headless_toolkit.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr float kGlyphSize = 13.0f;  // the built-in font's size

std::set<unsigned int> nonAsciiCharacters(std::initializer_list<const char*> texts) {
    std::set<unsigned int> characters;
    for (const char* text : texts) {
        for (const char* c = text; *c != '\0';) {
            unsigned int character = 0;
            c += ImTextCharFromUtf8(&character, c, nullptr);
            if (character > 0x7F) characters.insert(character);
        }
    }
    return characters;
}

bool sameUv(const ImVec2& a, float u, float v) { return a.x == u && a.y == v; }

// A visible glyph quad at `vertex`: ImFont::RenderText emits its corners in this order.
bool isGlyphAt(const ImVector<ImDrawVert>& vertices, int vertex, const ImFontGlyph& glyph) {
    const ImDrawVert* corner = &vertices[vertex];
    return sameUv(corner[0].uv, glyph.U0, glyph.V0) && sameUv(corner[1].uv, glyph.U1, glyph.V0) &&
           sameUv(corner[2].uv, glyph.U1, glyph.V1) && sameUv(corner[3].uv, glyph.U0, glyph.V1) &&
           (corner[0].col & IM_COL32_A_MASK) != 0;
}

}  // namespace

int verticesCutOff(const ImGuiWindow& window) {
    const ImDrawList& list = *window.DrawList;
    int cut = 0;
    for (const ImDrawCmd& command : list.CmdBuffer) {
        const ImVec4& clip = command.ClipRect;
        // The window's own frame and title bar reach past its contents' rectangle.
        if (!window.InnerClipRect.Contains(ImRect(clip))) continue;
        for (unsigned int index = command.IdxOffset; index < command.IdxOffset + command.ElemCount;
             ++index) {
            const ImVec2& at = list.VtxBuffer[command.VtxOffset + list.IdxBuffer[index]].pos;
            cut += at.x < clip.x - 1.0f || at.y < clip.y - 1.0f || at.x > clip.z + 1.0f ||
                   at.y > clip.w + 1.0f;
        }
    }
    return cut;
}

HeadlessToolkit::HeadlessToolkit(ImVec2 windowSize, std::initializer_list<const char*> texts)
    : m_context(ImGui::CreateContext()), m_windowSize(windowSize) {
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(800.0f, 600.0f);
    io.MouseDoubleClickTime = 0.0f;  // every click a single one, however close
    ImFont* font = io.Fonts->AddFontDefault();
    for (const unsigned int character : nonAsciiCharacters(texts)) {
        io.Fonts->AddCustomRectFontGlyph(font, static_cast<ImWchar>(character),
                                         static_cast<int>(kGlyphSize) - 1,
                                         static_cast<int>(kGlyphSize) - 1, kGlyphSize);
    }
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

HeadlessToolkit::~HeadlessToolkit() { ImGui::DestroyContext(m_context); }

ImGuiWindow* HeadlessToolkit::frame(const std::function<void()>& draw) {
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(m_windowSize);
    ImGui::Begin("Main", nullptr, ImGuiWindowFlags_NoDecoration);
    m_window = ImGui::GetCurrentWindow();
    draw();
    ImGui::End();
    ImGui::Render();
    return m_window;
}

std::string HeadlessToolkit::frameText(const std::function<void()>& draw) {
    std::string text;
    frame([&] {
        ImGui::LogToBuffer();
        draw();
        text = GImGui->LogBuffer.c_str();
        ImGui::LogFinish();
    });
    return text;
}

ImRect HeadlessToolkit::textRect(const std::string& text, int occurrence) const {
    const std::optional<ImRect> found = findText(text, occurrence);
    if (!found) ADD_FAILURE() << "not drawn: " << text << " (occurrence " << occurrence << ")";
    return found.value_or(ImRect());
}

std::optional<ImRect> HeadlessToolkit::findText(const std::string& text, int occurrence) const {
    return findTextIn(*m_window, text, occurrence);
}

std::optional<ImRect> findTextIn(const ImGuiWindow& window, const std::string& text,
                                 int occurrence) {
    const ImFont& font = *ImGui::GetIO().Fonts->Fonts[0];
    std::vector<const ImFontGlyph*> glyphs;
    for (const char* c = text.c_str(); *c != '\0';) {
        unsigned int character = 0;
        c += ImTextCharFromUtf8(&character, c, nullptr);
        const ImFontGlyph* glyph = font.FindGlyphNoFallback(static_cast<ImWchar>(character));
        if (glyph == nullptr) {
            ADD_FAILURE() << "the font has no glyph for a character of " << text;
            return std::nullopt;
        }
        if (glyph->Visible) glyphs.push_back(glyph);  // blanks draw nothing
    }
    const ImVector<ImDrawVert>& vertices = window.DrawList->VtxBuffer;
    const int quadVertices = 4 * static_cast<int>(glyphs.size());
    int seen = 0;
    for (int first = 0; !glyphs.empty() && first + quadVertices <= vertices.Size; ++first) {
        bool found = true;
        for (std::size_t i = 0; found && i < glyphs.size(); ++i) {
            found = isGlyphAt(vertices, first + 4 * static_cast<int>(i), *glyphs[i]);
        }
        if (!found || seen++ < occurrence) continue;
        ImRect rect(vertices[first].pos, vertices[first].pos);
        for (int vertex = first; vertex < first + quadVertices; ++vertex) {
            rect.Add(vertices[vertex].pos);
        }
        return rect;
    }
    return std::nullopt;
}

void HeadlessToolkit::clickAt(ImVec2 position, const std::function<void()>& draw) {
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = position;
    io.MouseDown[0] = true;
    frame(draw);
    io.MouseDown[0] = false;
    frame(draw);
}

void HeadlessToolkit::clickText(const std::string& text, const std::function<void()>& draw,
                                int occurrence) {
    frame(draw);
    clickAt(textRect(text, occurrence).GetCenter(), draw);
}

void HeadlessToolkit::type(const std::string& text, const std::function<void()>& draw) {
    ImGui::GetIO().AddInputCharactersUTF8(text.c_str());
    frame(draw);
}

void HeadlessToolkit::press(ImGuiKey key, const std::function<void()>& draw) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyMap[key] = key;  // the toolkit's own key numbers stand for the platform's
    io.KeysDown[key] = true;
    frame(draw);
    io.KeysDown[key] = false;
    frame(draw);
}
