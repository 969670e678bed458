#include "win32/overlay.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <cfloat>

#include "win32/dialogengine.h"

namespace win32::detail::overlay {
namespace {

constexpr float kFontSize = 13.0f;  // Dear ImGui's built-in font

// Dear ImGui's backends keep one instance per process: the overlay belongs to one window at a
// time (the game has one), taken by the first that draws one.
struct Context {
    ImGuiContext* imgui = nullptr;
    HWND owner = nullptr;
};

Context& Current() {
    static Context context;
    return context;
}

bool Ensure(Window& w) {
    Context& c = Current();
    if (c.imgui) return c.owner == w.handle;
    if (!w.glContext) return false;
    IMGUI_CHECKVERSION();
    c.imgui = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;  // the program owns the cursor
    ImGui::StyleColorsLight();
    if (!ImGui_ImplSDL2_InitForOpenGL(w.sdl, w.glContext) || !ImGui_ImplOpenGL3_Init("#version 330 core")) {
        std::fprintf(stderr, "windowing: the menu overlay cannot start\n");
        ImGui::DestroyContext(c.imgui);
        c.imgui = nullptr;
        return false;
    }
    io.Fonts->Build();
    c.owner = w.handle;
    return true;
}

void DrawStrip(Window& w, ImDrawList* list) {
    float width = static_cast<float>(w.rect.right - w.rect.left);
    list->AddRectFilled(ImVec2(0, 0), ImVec2(width, kMenuStripHeight), IM_COL32(240, 240, 240, 255));
    // A filled rectangle, not a line: anti-aliasing would bleed into the client area's first row.
    list->AddRectFilled(ImVec2(0, kMenuStripHeight - 1), ImVec2(width, kMenuStripHeight), IM_COL32(200, 200, 200, 255));
}

}  // namespace

float TextWidth(const std::string& text) {
    Context& c = Current();
    if (!c.imgui) return 7.0f * static_cast<float>(text.size());
    ImFont* font = ImGui::GetIO().Fonts->Fonts.empty() ? nullptr : ImGui::GetIO().Fonts->Fonts[0];
    if (!font) return 7.0f * static_cast<float>(text.size());
    return font->CalcTextSizeA(kFontSize, FLT_MAX, 0.0f, text.c_str()).x;
}

float LineHeight() { return kFontSize; }

void Draw(Window& w) {
    if (!HasStrip(w) && !w.menuLoop && !dialog::ShowsOver(w)) return;
    if (!Ensure(w)) return;
    GLint drawFramebuffer = 0, readFramebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    // The position the layer tracks is the one the window procedure was told (scripts included).
    ImGuiIO& io = ImGui::GetIO();
    const CursorState& cursor = GetState().cursor;
    io.MousePos = cursor.window == w.handle ? ImVec2(static_cast<float>(cursor.x), static_cast<float>(cursor.y))
                                            : ImVec2(-FLT_MAX, -FLT_MAX);
    ImGui::NewFrame();
    ImDrawList* list = ImGui::GetForegroundDrawList();
    if (HasStrip(w)) DrawStrip(w, list);
    DrawMenus(w);
    dialog::DrawOver(w);
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
}

void ProcessEvent(Window& w, const SDL_Event& event) {
    if (Current().imgui && Current().owner == w.handle) ImGui_ImplSDL2_ProcessEvent(&event);
}

void Release(Window& w) {
    Context& c = Current();
    if (!c.imgui || c.owner != w.handle) return;
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(c.imgui);
    c = Context{};
}

}  // namespace win32::detail::overlay
