// dialogs.cpp: modal dialogs from in-memory templates.
// (Placeholder until the dialog code lands.)
#include "wm.h"

namespace ws {
bool dialog_handle_key(const MSG&) { return false; }
}  // namespace ws
