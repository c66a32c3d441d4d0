#include "sdl2/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace sdl2 {

namespace {
XErrorHandler previousHandler = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousHandler ? previousHandler(display, error) : 0;
}
}  // namespace

void IgnoreLateWakeupErrors() {
  XErrorHandler previous = XSetErrorHandler(OnXError);
  if (previous != OnXError) previousHandler = previous;
}

}  // namespace sdl2
