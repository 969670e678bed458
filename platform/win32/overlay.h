// The Dear ImGui overlay of a window: the menu strip, an open menu, and (later) dialogs, drawn
// over the presented frame in the window's own GL context.
#pragma once

#include <string>

#include "win32/winstate.h"

namespace win32::detail::overlay {

// Draws one overlay frame into framebuffer 0. The window's context must be current. GL state
// the overlay touches is restored.
void Draw(Window& w);

// Feeds an SDL event to the overlay (used by modal loops, which own the input meanwhile).
void ProcessEvent(Window& w, const ::SDL_Event& event);

// Frees the overlay when its window goes; its context must be current.
void Release(Window& w);

// Width in pixels of a text in the overlay's font (an estimate before the overlay exists).
float TextWidth(const std::string& text);
float LineHeight();

}  // namespace win32::detail::overlay
