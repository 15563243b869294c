// The memory of a song's millions of notes and events: what was freed given
// back between the stages. (Its large blocks take huge pages through
// large_blocks.cpp, in the programs that link it.)
#pragma once

// <cstdlib> first: it is what defines __GLIBC__.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace toolkit {

// Gives the memory freed so far back to the system. The C library keeps the
// small blocks freed in its heap for later (a queue of millions of events is
// made of them), which a later stage, asking for large blocks, does not
// reuse. A hint, without effect where the library keeps no such heap.
inline void giveMemoryBack() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace toolkit
