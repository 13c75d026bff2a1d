// card_random.cpp: the one pseudo-random generator of the card designer.
//
// Our own, so that its sequence does not depend on the C library's rand:
// seed = seed * 214013 + 2531011 (mod 2^32), and each call returns bits
// 16..30 of the new seed.
#include "display.h"

#include <cstdint>

namespace {
uint32_t seed = 1;
}

void card_srand(unsigned value) {
    seed = value;
}

int card_rand(void) {
    seed = seed * 214013u + 2531011u;
    return static_cast<int>((seed >> 16) & 0x7FFF);
}
