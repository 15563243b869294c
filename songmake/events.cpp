#include "songmake/events.h"

#include <new>

#include "toolkit/platform.h"

namespace {

#ifdef SONGMAKE_PLAIN_ALLOCATION
constexpr bool kPlainAllocation = true;  // lets the sanitizers see every event's lifetime
#else
constexpr bool kPlainAllocation = false;
#endif

// A song holds one small heap object per event, often millions of them. They are
// carved from large blocks, and freed ones are kept for reuse by events of the
// same size, which makes creating and dropping an event a few instructions.
class EventPool {
public:
    static constexpr std::size_t kGranule = 8;
    static constexpr std::size_t kLargest = 64;
    static constexpr std::size_t kFirstBlockSize = 64 * 1024;
    static constexpr std::size_t kLargestBlockSize = 2 * 1024 * 1024;  // one huge page

    void* allocate(std::size_t size) {
        if (kPlainAllocation || size > kLargest) return ::operator new(size);
        std::size_t slot = sizeClass(size);
        if (FreeNode* node = freeLists_[slot]) {
            freeLists_[slot] = node->next;
            return node;
        }
        std::size_t rounded = slot * kGranule;
        if (left_ < rounded) newBlock();  // the old block's tail is smaller than any event
        void* result = next_;
        next_ += rounded;
        left_ -= rounded;
        return result;
    }

    void release(void* pointer, std::size_t size) {
        if (kPlainAllocation || size > kLargest) {
            ::operator delete(pointer);
            return;
        }
        std::size_t slot = sizeClass(size);
        freeLists_[slot] = new (pointer) FreeNode{freeLists_[slot]};
    }

private:
    // Blocks double in size up to that of a huge page and are aligned to their
    // size, so that a big song's events cost one page fault per 2 MiB instead of
    // one per 4 KiB (page faults took a quarter of a big conversion's time).
    void newBlock() {
        next_ = static_cast<std::byte*>(::operator new (blockSize_, std::align_val_t{blockSize_}));
        left_ = blockSize_;
        if (blockSize_ == kLargestBlockSize) platform::adviseHugePages(next_, blockSize_);
        if (blockSize_ < kLargestBlockSize) blockSize_ *= 2;
    }

    struct FreeNode {
        FreeNode* next;
    };
    static std::size_t sizeClass(std::size_t size) { return (size + kGranule - 1) / kGranule; }

    FreeNode* freeLists_[kLargest / kGranule + 1] = {};
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
    std::size_t blockSize_ = kFirstBlockSize;
};

// Blocks live until the process ends, as the events of the finished song do.
EventPool& pool() {
    static EventPool* instance = new EventPool;
    return *instance;
}

}  // namespace

void* Event::operator new(std::size_t size) { return pool().allocate(size); }

void Event::operator delete(void* pointer, std::size_t size) { pool().release(pointer, size); }

void Event::write(ByteStream& out) const { writeHead(out, type); }

void EvPitch::write(ByteStream& out) const {
    writeHead(out, type);
    songformat::appendWord(out, value);
}

void EvRepeat::write(ByteStream& out) const {
    writeHead(out, type);
    out.push_back(value);
}

void EvNoteOn::write(ByteStream& out) const {
    if (type == kTypeSlide) {
        writeHead(out, songformat::kCodePitch);
    } else {
        writeHead(out, type);
        if (type == kTypeNoteOn) out.push_back(velocity);
    }
    songformat::appendWord(out, value);
}

void EvMidiControl::write(ByteStream& out) const {
    writeHead(out, controller);
    out.push_back(value);
}

void EvEnvelope::write(ByteStream& out) const {
    writeHead(out, type);
    out.push_back(mode);
    out.insert(out.end(), params + songformat::envelopeFirstParam(mode),
               params + songformat::kEnvelopeParams);
}
