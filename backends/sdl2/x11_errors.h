// X11 error handling for the SDL backend on Linux, installed once by main
// before SDL opens its display connections (SDL keeps the handler it finds
// and restores it when its video shuts down, closing those connections).
#pragma once

namespace sdl2 {

// SDL wakes a thread that waits for events by sending a client message to the
// window over a second connection. When the window closes at that moment the
// server may see the message after the window is gone and answer BadWindow,
// which Xlib's default handler turns into exit(1). That error is harmless and
// is ignored; every other X error goes to the handler that was there before.
void IgnoreLateWakeupErrors();

}  // namespace sdl2
