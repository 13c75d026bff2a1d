// driver_header_check.cpp: whatever includes a driver's header gets the
// driver interface alone, not the canvas and its processor intrinsics.
#include "driver.h"
#include "headless_driver.h"

#if defined(_IMMINTRIN_H_INCLUDED) || defined(__IMMINTRIN_H)
#error "driver.h brings in the processor's intrinsics"
#endif

// The canvas is not declared, so its name is free here.
namespace ws {
using Canvas = int;
}
