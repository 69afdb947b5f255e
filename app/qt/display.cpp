#include "qt/display.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace qmr::app {

bool displayAvailable(std::string& why)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;  // the user chose one (offscreen, xcb, ...)
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland) return true;
    const char* x = std::getenv("DISPLAY");
    if (!x || !*x) {
        why = "no display is available (DISPLAY is not set)";
        return false;
    }
    // A local display ":N" has a socket; a remote one cannot be checked here.
    if (x[0] == ':') {
        std::string socket = "/tmp/.X11-unix/X" + std::string(x + 1).substr(0, std::strcspn(x + 1, "."));
        struct stat st;
        if (stat(socket.c_str(), &st) != 0) {
            why = std::string("the display ") + x + " is not running";
            return false;
        }
    }
    return true;
}

}  // namespace qmr::app
