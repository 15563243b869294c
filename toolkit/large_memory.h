// The memory of a song's millions of notes and events: huge pages for its
// large vectors, so that filling one costs a page fault per 2 MiB rather than
// per 4 KiB (page faults took over a fifth of songprep's time on a song of a
// million events), and what was freed given back between the stages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "toolkit/platform.h"

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

// Asks for huge pages behind the whole pages that `vector`'s capacity covers,
// when they come to 2 MiB or more; a hint, without effect where the system
// offers none. Call it once the capacity is reserved.
template <typename T>
void adviseHugePages(const std::vector<T>& vector) {
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::uintptr_t kWorthIt = std::uintptr_t{2} << 20;
    auto from = reinterpret_cast<std::uintptr_t>(vector.data());
    std::uintptr_t to = from + vector.capacity() * sizeof(T);
    from = (from + kPage - 1) & ~(kPage - 1);
    to &= ~(kPage - 1);
    if (to <= from || to - from < kWorthIt) return;
    platform::adviseHugePages(reinterpret_cast<void*>(from), to - from);
}

}  // namespace toolkit
