// Large blocks on huge pages, for the programs that hold a song's millions of
// notes and events in vectors: each block of 2 MiB or more is aligned to a
// huge page and advised to use them, so that filling it costs a page fault
// (and a translation) per 2 MiB rather than per 4 KiB.
// Page faults and translation misses took over a third of songprep's and
// songcheck's time on a song of a million events. Linked into those programs
// alone, it replaces the global allocation functions on Linux with the GNU C
// library, where huge pages are there for the asking; elsewhere it is empty.
// <cstdlib> first: it is what defines __GLIBC__.
#include <cstdlib>
#include <new>

#if defined(__linux__) && defined(__GLIBC__)

#include <malloc.h>

#include "toolkit/platform.h"

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The C library maps large blocks of their own, and gives them back when they
// are freed, until a freed one makes it keep the next ones in its heap: a
// fixed threshold keeps them mapped, so that memory follows what is held.
const int kFixedThreshold = mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugePage));

void* allocate(std::size_t size) {
    if (size >= kHugePage) {
        // Aligned to a huge page, so that every whole 2 MiB of it can be one;
        // a rest of at least half a huge page is rounded up to a whole one, a
        // smaller rest takes small pages.
        constexpr std::size_t kPage = 4096;
        std::size_t rest = size & (kHugePage - 1);
        std::size_t rounded = rest >= kHugePage / 2 ? (size + kHugePage - 1) & ~(kHugePage - 1)
                                                    : (size + kPage - 1) & ~(kPage - 1);
        void* block = nullptr;
        if (posix_memalign(&block, kHugePage, rounded) == 0) {
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
