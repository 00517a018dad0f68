// The bytes the C library's heap hands out at the moment, for tests that
// bound what a piece of code keeps. Under a sanitizer, which brings its own
// heap, glibc's figure does not move: such a check then proves nothing and
// says so.
#pragma once

#include <malloc.h>

#include <cstddef>

inline std::size_t heapInUse() {
    return mallinfo2().uordblks;
}
