// controls.cpp: the built-in edit, button and static controls.
// (Placeholder until the control code lands.)
#include "wm.h"

namespace ws {
void controls_register_classes() {}
}  // namespace ws
