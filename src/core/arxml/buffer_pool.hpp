// Recycled memory for parsed documents. Touching fresh memory costs a page fault per page on the
// machines this runs on, which dominates the parse of a large file; blocks of documents that were freed
// are therefore kept (up to a cap) and handed to the next parse. Thread-safe.
#pragma once

#include <cstddef>

namespace velvane::pool {

// Blocks smaller than this go straight to malloc; larger ones are recycled.
constexpr std::size_t kRecycleFrom = 16 * 1024;

void* allocate(std::size_t size) noexcept;
void deallocate(void* block) noexcept;

// Bytes currently held idle for reuse, and the cap on them.
std::size_t idle_bytes() noexcept;
void set_idle_cap(std::size_t bytes) noexcept;
// Gives every idle block back to the system.
void release_idle() noexcept;

// Routes pugixml's allocations through this pool (call once, before the first parse).
void install_for_pugixml() noexcept;

// Makes this module's pool a front for another module's (the binding's): every block is then taken
// from and given back to that one, so that documents one module makes and the other frees recycle
// their memory in one place. Call before the first allocation.
void forward_to(void* (*allocate)(std::size_t) noexcept, void (*deallocate)(void*) noexcept) noexcept;

}  // namespace velvane::pool
