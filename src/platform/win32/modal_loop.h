#pragma once

#include <functional>
#include <optional>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// The thread's active top-level window other than `window`: the one it blocks
// while it shows modally, and so its owner. Null when there is none.
HWND ActiveOwner(HWND window);

// Moves the window to the middle of the screen, its size kept.
void CentreOnScreen(HWND window);

// Runs the thread's messages, with a dialog's keyboard handling for the
// window `showing` names, until it names none. Returns the exit code of a
// WM_QUIT that ended the loop first, for the caller to post again once its
// window is hidden, so that the loops outside end as well.
std::optional<WPARAM> RunModalLoop(const std::function<HWND()>& showing);

}  // namespace tarvolk::platform::win32
