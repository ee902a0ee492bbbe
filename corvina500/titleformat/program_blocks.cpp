#include "program_blocks.h"

#include <new>

#include "per_thread.h"

namespace cor::tf {
namespace {

constexpr size_t class_bytes = 64;
constexpr size_t classes = 8;  // blocks of 64 to 512 bytes
constexpr uint8_t kept_per_class = 8;

// Sanitizers must see every block freed, to find a use after it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool caching = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool caching = false;
#else
constexpr bool caching = true;
#endif
#else
constexpr bool caching = true;
#endif

struct block_cache {
    void* blocks[classes][kept_per_class] = {};
    uint8_t count[classes] = {};

    block_cache() = default;
    block_cache(const block_cache&) = delete;
    block_cache& operator=(const block_cache&) = delete;
    ~block_cache() {
        for (size_t k = 0; k < classes; ++k)
            while (count[k]) ::operator delete(blocks[k][--count[k]]);
    }
};

}  // namespace

void* allocate_program_block(size_t bytes, uint32_t& kept) {
    const size_t k = (bytes + class_bytes - 1) / class_bytes;
    if (!caching || k == 0 || k > classes) {
        kept = 0;
        return ::operator new(bytes);
    }
    kept = static_cast<uint32_t>(k);
    block_cache& c = per_thread<block_cache>::get();
    if (c.count[k - 1]) return c.blocks[k - 1][--c.count[k - 1]];
    return ::operator new(k* class_bytes);
}

void free_program_block(void* block, uint32_t kept) {
    // A thread that has no cache (one ending, or one that never compiled)
    // gives the block back to the heap.
    if (kept) {
        block_cache* c = per_thread<block_cache>::existing();
        if (c && c->count[kept - 1] < kept_per_class) {
            c->blocks[kept - 1][c->count[kept - 1]++] = block;
            return;
        }
    }
    ::operator delete(block);
}

}  // namespace cor::tf
