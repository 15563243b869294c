// Large blocks on huge pages, for the programs that hold a song's millions of
// notes and events in vectors: each block of 2 MiB or more is aligned to a
// huge page, rounded up to whole ones and advised to use them, so that filling
// it costs a page fault (and a translation) per 2 MiB rather than per 4 KiB.
// Page faults and translation misses took over a third of songprep's and
// songcheck's time on a song of a million events. Linked into those programs
// alone, it replaces the global allocation functions on Linux with the GNU C
// library, where huge pages are there for the asking; elsewhere it is empty.
#if defined(__linux__) && defined(__GLIBC__)

#include <malloc.h>

#include <cstdlib>
#include <new>

#include "toolkit/platform.h"

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The C library maps large blocks of their own, and gives them back when they
// are freed, until a freed one makes it keep the next ones in its heap: a
// fixed threshold keeps them mapped, so that memory follows what is held.
const int kFixedThreshold = mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugePage));

void* allocate(std::size_t size) {
    if (size >= kHugePage) {
        std::size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
        if (void* block = std::aligned_alloc(kHugePage, rounded)) {
            platform::adviseHugePages(block, rounded);
            return block;
        }
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

#endif
