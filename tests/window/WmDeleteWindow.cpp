// Asks a top-level window to close the way a window manager does (ICCCM): a WM_PROTOCOLS client
// message carrying WM_DELETE_WINDOW. Used where no window manager runs.
//
//   orvane_wm_delete_window <window id>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <window id>\n", argv[0]);
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot open display\n");
    return 1;
  }
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

  // A window that does not take part in the protocol would be killed by a real window manager;
  // here that is a failure of the window.
  Atom* supported = nullptr;
  int count = 0;
  bool takesPart = false;
  if (XGetWMProtocols(display, window, &supported, &count)) {
    for (int i = 0; i < count; ++i) takesPart = takesPart || supported[i] == deleteWindow;
    XFree(supported);
  }
  if (!takesPart) {
    std::fprintf(stderr, "window 0x%lx does not accept WM_DELETE_WINDOW\n", window);
    XCloseDisplay(display);
    return 1;
  }

  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(deleteWindow);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
