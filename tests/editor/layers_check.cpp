// layers_check.cpp: what the editor and the display can include, checked by
// the compiler with the include paths that they build with: kv319.h and the
// winsys.h it includes, nothing of the runtime's or the layer's insides.
#include "kv319.h"

#if __has_include("state.h") || __has_include("draw.h") || __has_include("kv319_runner_hook.h")
#error "the runtime's insides are visible here"
#endif
#if __has_include("wm.h") || __has_include("gdi.h") || __has_include("canvas.h")
#error "the window-system layer's insides are visible here"
#endif
#if __has_include("driver.h") || __has_include("headless_driver.h") || __has_include("png_io.h")
#error "the window-system layer's drivers are visible here"
#endif
