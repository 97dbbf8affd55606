#include "app/KeyState.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace vm {

bool IsStartKeyHeld(StartKey key) {
  const char *display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  Display *dpy = XOpenDisplay(display);
  if (!dpy) return false;
  KeyCode code = XKeysymToKeycode(dpy, key == StartKey::Space ? XK_space : XK_Shift_L);
  char keys[32] = {};
  XQueryKeymap(dpy, keys);
  XCloseDisplay(dpy);
  if (code == 0) return false;
  return (keys[code / 8] >> (code % 8)) & 1;
}

}  // namespace vm
