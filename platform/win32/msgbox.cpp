// Message boxes.
#include <SDL.h>

#include <cstdio>

#include "win32/codepage.h"
#include "win32/winstate.h"

namespace {

int DefaultButton(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL: return IDYES;
        default: return IDOK;
    }
}

const char* Kind(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR: return "error";
        case MB_ICONWARNING: return "warning";
        case MB_ICONINFORMATION: return "information";
        case MB_ICONQUESTION: return "question";
        default: return "message";
    }
}

int WriteToStderr(LPCSTR text, LPCSTR caption, UINT type) {
    std::fprintf(stderr, "[%s] %s: %s\n", Kind(type), win32::AnsiToUtf8(caption ? caption : "Error").c_str(),
                 win32::AnsiToUtf8(text).c_str());
    std::fflush(stderr);
    return DefaultButton(type);
}

}  // namespace

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    // Decided before SDL is asked, so a box can never wait for a person who is not there.
    if (win32::IsHeadless()) return WriteToStderr(text, caption, type);
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & MB_ICONMASK) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & MB_ICONMASK) == MB_ICONWARNING)
        flags = SDL_MESSAGEBOX_WARNING;

    std::vector<SDL_MessageBoxButtonData> buttons;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"},
                       {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"}};
            break;
        case MB_YESNO:
            buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
                       {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
                       {0, IDNO, "No"},
                       {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"}};
            break;
        default:
            buttons = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"}};
            break;
    }
    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = nullptr;  // no owner, as the program asks
    // SDL takes UTF-8; the program's text is Windows-1252.
    const std::string title = win32::AnsiToUtf8(caption ? caption : "Error");
    const std::string message = win32::AnsiToUtf8(text);
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = static_cast<int>(buttons.size());
    data.buttons = buttons.data();
    int pressed = 0;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) return WriteToStderr(text, caption, type);
    // Closing the box without a button counts as its escape button.
    if (pressed <= 0) pressed = (type & MB_TYPEMASK) == MB_YESNO ? IDNO : (type & MB_TYPEMASK) ? IDCANCEL : IDOK;
    return pressed;
}
