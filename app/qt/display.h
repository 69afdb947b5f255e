// Whether a window can be shown at all, told before the toolkit starts (it
// would end the process without one).
#pragma once

#include <string>

namespace qmr::app {

// False with the reason when no display is reachable: no QT_QPA_PLATFORM,
// WAYLAND_DISPLAY or DISPLAY, or a local X display whose socket is missing.
bool displayAvailable(std::string& why);

}  // namespace qmr::app
