// A message box as the logic asks for it: text, caption, icon, task-modal.
#pragma once

#include <string>

namespace qmr::app {

enum class Icon { Error, Warning, Information, Question };

struct MessageBox {
    std::string text;
    std::string caption;
    Icon icon = Icon::Error;
    bool taskModal = false;
};

}  // namespace qmr::app
