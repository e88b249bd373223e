// Measures from the outside how long a window leaves the desktop waiting: it
// asks the window's program every 20 ms whether it is alive (_NET_WM_PING, as
// window managers do before they call a window "not responding") and prints
// the longest wait for an answer, in milliseconds, over the seconds given.
//
//   tamsel_windowping WINDOW-ID SECONDS
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>

namespace {
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WINDOW-ID SECONDS\n", argv[0]);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const double seconds = std::atof(argv[2]);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    // The answer goes to the root window for its structure listeners.
    XSelectInput(display, root, StructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);

    const Clock::time_point begin = Clock::now();
    double longest = 0;
    long asked = 0;
    long answered = 0;
    while (msSince(begin) < seconds * 1000) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(ping);
        event.xclient.data.l[1] = ++asked;
        event.xclient.data.l[2] = long(window);
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        const Clock::time_point sent = Clock::now();
        bool answer = false;
        while (!answer && msSince(begin) < seconds * 1000) {
            while (!answer && XPending(display)) {
                XEvent reply;
                XNextEvent(display, &reply);
                answer = reply.type == ClientMessage && reply.xclient.message_type == protocols
                         && Atom(reply.xclient.data.l[0]) == ping && reply.xclient.data.l[1] == asked;
            }
            if (!answer) {
                pollfd wait{ConnectionNumber(display), POLLIN, 0};
                poll(&wait, 1, 10);
            }
        }
        const double waited = msSince(sent);
        longest = waited > longest ? waited : longest;
        if (!answer)
            break;
        ++answered;
        poll(nullptr, 0, 20);
    }
    std::printf("%.0f ms longest wait, %ld of %ld pings answered\n", longest, answered, asked);
    XCloseDisplay(display);
    return 0;
}
