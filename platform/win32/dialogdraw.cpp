// Where a dialog shows and how it is drawn: over its owner's client area through the owner's
// overlay, or, when that area is too small, in a window of its own with a Dear ImGui context of
// its own.
#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <cfloat>

#include "win32/dialogengine.h"
#include "win32/gldriverpin.h"
#include "win32/glwindow.h"

namespace win32::detail::dialog {
namespace {

const ImU32 kFace = IM_COL32(240, 240, 240, 255);
const ImU32 kBorder = IM_COL32(160, 160, 160, 255);
const ImU32 kText = IM_COL32(0, 0, 0, 255);
const ImU32 kGrey = IM_COL32(150, 150, 150, 255);
const ImU32 kHighlight = IM_COL32(0, 120, 215, 255);
const ImU32 kWhite = IM_COL32(255, 255, 255, 255);

std::string Label(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out.push_back(text[i]);
    }
    return out;
}

// A little smaller than the overlay's menus: the template's labels were laid out for a narrow font.
constexpr float kFontSize = 12.0f;

ImVec2 TextSize(const std::string& text) {
    return ImGui::GetFont()->CalcTextSizeA(kFontSize, FLT_MAX, 0.0f, text.c_str());
}

void Text(ImDrawList* list, float x, float y, ImU32 colour, const std::string& text) {
    list->AddText(ImGui::GetFont(), kFontSize, ImVec2(x, y), colour, text.c_str());
}

void DrawControl(const Dialog& d, int index, ImDrawList* list) {
    const Control& c = d.controls[index];
    RECT r = ScreenRect(d, c);
    const float l = static_cast<float>(r.left), t = static_cast<float>(r.top);
    const float rt = static_cast<float>(r.right), b = static_cast<float>(r.bottom);
    const bool focused = d.focus == index;
    const ImU32 text = c.enabled ? kText : kGrey;
    const std::string label = Label(c.text);
    const float lineHeight = kFontSize;
    switch (c.kind) {
        case Kind::GroupBox: {
            float mid = t + lineHeight / 2;
            list->AddRect(ImVec2(l, mid), ImVec2(rt, b), kBorder);
            ImVec2 size = TextSize(label);
            list->AddRectFilled(ImVec2(l + 6, t), ImVec2(l + 10 + size.x, t + lineHeight), kFace);
            Text(list, l + 8, t, text, label);
            break;
        }
        case Kind::Static: Text(list, l, (c.style & SS_CENTERIMAGE) ? (t + b - lineHeight) / 2 : t, text, label); break;
        case Kind::Radio: {
            float cy = (t + b) / 2;
            list->AddCircleFilled(ImVec2(l + 6, cy), 6, c.enabled ? kWhite : kFace);
            list->AddCircle(ImVec2(l + 6, cy), 6, focused ? kHighlight : kBorder);
            if (c.check == BST_CHECKED) list->AddCircleFilled(ImVec2(l + 6, cy), 3, text);
            Text(list, l + 16, cy - lineHeight / 2, text, label);
            if (focused) {
                ImVec2 size = TextSize(label);
                list->AddRect(ImVec2(l + 14, cy - lineHeight / 2 - 1), ImVec2(l + 18 + size.x, cy + lineHeight / 2 + 1),
                              kHighlight);
            }
            break;
        }
        case Kind::PushButton: {
            bool pressed = d.pressed == index;
            list->AddRectFilled(ImVec2(l, t), ImVec2(rt, b),
                                pressed ? IM_COL32(204, 228, 247, 255) : IM_COL32(225, 225, 225, 255));
            bool isDefault = (c.style & 0xF) == BS_DEFPUSHBUTTON;
            list->AddRect(ImVec2(l, t), ImVec2(rt, b), focused || isDefault ? kHighlight : kBorder, 0, 0,
                          focused ? 2.0f : 1.0f);
            ImVec2 size = TextSize(label);
            Text(list, (l + rt - size.x) / 2, (t + b - lineHeight) / 2, text, label);
            break;
        }
        case Kind::Combo: {
            list->AddRectFilled(ImVec2(l, t), ImVec2(rt, b), c.enabled ? kWhite : kFace);
            list->AddRect(ImVec2(l, t), ImVec2(rt, b), focused ? kHighlight : kBorder);
            if (c.sel >= 0 && c.sel < static_cast<int>(c.items.size())) {
                list->PushClipRect(ImVec2(l + 2, t), ImVec2(rt - 16, b), true);
                if (focused) list->AddRectFilled(ImVec2(l + 2, t + 2), ImVec2(rt - 17, b - 2), kHighlight);
                Text(list, l + 4, (t + b - lineHeight) / 2, focused ? kWhite : text, c.items[c.sel].text);
                list->PopClipRect();
            }
            float ax = rt - 9, ay = (t + b) / 2;
            list->AddTriangleFilled(ImVec2(ax - 4, ay - 2), ImVec2(ax + 4, ay - 2), ImVec2(ax, ay + 3), text);
            break;
        }
    }
}

void DrawList(const Dialog& d, ImDrawList* list) {
    const Control& c = d.controls[d.openList];
    RECT r = ListRect(d, c);
    list->AddRectFilled(ImVec2(r.left, r.top), ImVec2(r.right, r.bottom), kWhite);
    list->AddRect(ImVec2(r.left, r.top), ImVec2(r.right, r.bottom), IM_COL32(100, 100, 100, 255));
    int rows = ListRows(c);
    int n = static_cast<int>(c.items.size());
    float lineHeight = kFontSize;
    list->PushClipRect(ImVec2(r.left + 1, r.top + 1), ImVec2(r.right - 1, r.bottom - 1), true);
    for (int k = 0; k < rows && d.listTop + k < n; ++k) {
        int entry = d.listTop + k;
        float top = static_cast<float>(r.top + 2 + k * kListRowHeight);
        bool hot = entry == d.listHot;
        if (hot) list->AddRectFilled(ImVec2(r.left + 1, top), ImVec2(r.right - 1, top + kListRowHeight), kHighlight);
        Text(list, r.left + 4, top + (kListRowHeight - lineHeight) / 2, hot ? kWhite : kText, c.items[entry].text);
    }
    list->PopClipRect();
}

}  // namespace

RECT FrameRect(const Dialog& d) {
    return RECT{d.origin.x, d.origin.y, d.origin.x + d.width, d.origin.y + kCaptionHeight + d.height};
}

RECT ScreenRect(const Dialog& d, const Control& c) {
    int x = d.origin.x, y = d.origin.y + kCaptionHeight;
    return RECT{x + c.rect.left, y + c.rect.top, x + c.rect.right, y + c.rect.bottom};
}

int ListRows(const Control& c) {
    int byTemplate = std::max(1, (c.dropHeight - (c.rect.bottom - c.rect.top)) / kListRowHeight);
    return std::max(1, std::min(byTemplate, static_cast<int>(c.items.size())));
}

RECT ListRect(const Dialog& d, const Control& c) {
    RECT box = ScreenRect(d, c);
    return RECT{box.left, box.bottom, box.right, box.bottom + ListRows(c) * kListRowHeight + 4};
}

void DrawDialog(const Dialog& d, ImDrawList* list) {
    RECT f = FrameRect(d);
    list->AddRectFilled(ImVec2(f.left + 4, f.top + 4), ImVec2(f.right + 4, f.bottom + 4), IM_COL32(0, 0, 0, 50));
    list->AddRectFilled(ImVec2(f.left, f.top), ImVec2(f.right, f.bottom), kFace);
    list->AddRect(ImVec2(f.left, f.top), ImVec2(f.right, f.bottom), IM_COL32(100, 100, 100, 255));
    list->AddRectFilled(ImVec2(f.left + 1, f.top + 1), ImVec2(f.right - 1, f.top + kCaptionHeight), kHighlight);
    Text(list, f.left + 8, f.top + (kCaptionHeight - kFontSize) / 2, kWhite, d.caption);
    for (int i = 0; i < static_cast<int>(d.controls.size()); ++i) DrawControl(d, i, list);
    if (d.openList >= 0) DrawList(d, list);
}

void PlaceOverOwner(Dialog& d) {
    Window* owner = FindWindow(d.owner);
    int frameHeight = kCaptionHeight + d.height;
    if (!owner || !owner->sdl) {
        d.ownWindow = true;
        return;
    }
    int cw = 0, ch = 0;
    ClientSize(*owner, &cw, &ch);
    if (cw < d.width || ch < frameHeight) {
        d.ownWindow = true;
        return;
    }
    d.ownWindow = false;
    d.origin = POINT{(cw - d.width) / 2, StripHeight(*owner) + (ch - frameHeight) / 2};
}

bool ShowsOver(const Window& w) {
    const Dialog* d = Current();
    return d && !d->ownWindow && d->owner == w.handle;
}

void DrawOver(Window& w) {
    if (const Dialog* d = Current(); d && !d->ownWindow && d->owner == w.handle)
        DrawDialog(*d, ImGui::GetForegroundDrawList());
}

bool OpenOwnWindow(Dialog& d) {
    if (!EnsureSdlVideo()) return false;
    // The window manager draws the caption; the drawing starts at the client area.
    d.origin = POINT{0, -kCaptionHeight};
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    d.sdl = SDL_CreateWindow(d.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, d.width, d.height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_ALWAYS_ON_TOP);
    if (!d.sdl) return false;
    d.glContext = SDL_GL_CreateContext(d.sdl);
    if (d.glContext && kLeakChecked) PinGlDriver();
    if (!d.glContext) {
        // Still usable from the keyboard, only not drawn.
        return true;
    }
    ImGuiContext* previous = ImGui::GetCurrentContext();
    d.imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(d.imgui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    SDL_GL_MakeCurrent(d.sdl, static_cast<SDL_GLContext>(d.glContext));
    if (!ImGui_ImplSDL2_InitForOpenGL(d.sdl, d.glContext) || !ImGui_ImplOpenGL3_Init("#version 330 core")) {
        ImGui::DestroyContext(d.imgui);
        d.imgui = nullptr;
    }
    ImGui::SetCurrentContext(previous);
    if (d.owner) GlMakeCurrent(d.owner);
    return true;
}

void PresentOwnWindow(Dialog& d) {
    if (!d.sdl || !d.glContext || !d.imgui) return;
    ImGuiContext* previous = ImGui::GetCurrentContext();
    SDL_GL_MakeCurrent(d.sdl, static_cast<SDL_GLContext>(d.glContext));
    ImGui::SetCurrentContext(d.imgui);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    DrawDialog(d, ImGui::GetForegroundDrawList());
    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(d.sdl, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(240 / 255.0f, 240 / 255.0f, 240 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(d.sdl);
    ImGui::SetCurrentContext(previous);
    if (d.owner) GlMakeCurrent(d.owner);
}

void CloseOwnWindow(Dialog& d) {
    if (!d.sdl) return;
    if (d.glContext) {
        SDL_GL_MakeCurrent(d.sdl, static_cast<SDL_GLContext>(d.glContext));
        if (d.imgui) {
            ImGuiContext* previous = ImGui::GetCurrentContext();
            ImGui::SetCurrentContext(d.imgui);
            ImGui_ImplOpenGL3_Shutdown();
            ImGui_ImplSDL2_Shutdown();
            ImGui::DestroyContext(d.imgui);
            ImGui::SetCurrentContext(previous == d.imgui ? nullptr : previous);
            d.imgui = nullptr;
        }
        SDL_GL_MakeCurrent(d.sdl, nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(d.glContext));
        d.glContext = nullptr;
    }
    SDL_DestroyWindow(d.sdl);
    d.sdl = nullptr;
    if (d.owner) GlMakeCurrent(d.owner);
}

}  // namespace win32::detail::dialog
