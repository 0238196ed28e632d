#include "core/arxml/buffer_pool.hpp"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

#include <pugixml.hpp>

namespace velvane::pool {
namespace {

// Every block carries its usable size in front of the address handed out, since pugixml frees without
// telling the size. 16 bytes keep the payload aligned for any type.
struct alignas(16) BlockHeader {
    std::size_t size;
};

constexpr std::size_t kGranule = 4096;

struct Pool {
    std::mutex lock;
    std::multimap<std::size_t, BlockHeader*> idle;  // usable size -> block
    std::size_t idle_total = 0;
    std::size_t idle_cap = std::size_t(64) << 20;
};

Pool& pool() {
    static Pool* instance = new Pool();  // never destroyed: documents may outlive static destruction
    return *instance;
}

void* payload(BlockHeader* header) { return header + 1; }
BlockHeader* header_of(void* block) { return static_cast<BlockHeader*>(block) - 1; }

BlockHeader* fresh_block(std::size_t size) {
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header) header->size = size;
    return header;
}


void* (*forward_allocate)(std::size_t) noexcept = nullptr;
void (*forward_deallocate)(void*) noexcept = nullptr;

}  // namespace

void forward_to(void* (*allocate)(std::size_t) noexcept, void (*deallocate)(void*) noexcept) noexcept {
    forward_allocate = allocate;
    forward_deallocate = deallocate;
}

void* allocate(std::size_t size) noexcept {
    if (forward_allocate) return forward_allocate(size);
    if (size < kRecycleFrom) {
        BlockHeader* header = fresh_block(size);
        return header ? payload(header) : nullptr;
    }
    size = (size + kGranule - 1) / kGranule * kGranule;
    Pool& p = pool();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        auto it = p.idle.lower_bound(size);
        // Take a recycled block only when it wastes at most an eighth of the request.
        if (it != p.idle.end() && it->first <= size + size / 8) {
            BlockHeader* header = it->second;
            p.idle_total -= it->first;
            p.idle.erase(it);
            return payload(header);
        }
    }
    BlockHeader* header = fresh_block(size);
    return header ? payload(header) : nullptr;
}

void deallocate(void* block) noexcept {
    if (forward_deallocate) {
        forward_deallocate(block);
        return;
    }
    if (!block) return;
    BlockHeader* header = header_of(block);
    if (header->size < kRecycleFrom) {
        std::free(header);
        return;
    }
    Pool& p = pool();
    std::unique_lock<std::mutex> guard(p.lock);
    if (p.idle_total + header->size > p.idle_cap) {
        guard.unlock();
        std::free(header);
        return;
    }
    p.idle.emplace(header->size, header);
    p.idle_total += header->size;
}

std::size_t idle_bytes() noexcept {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.idle_total;
}

void set_idle_cap(std::size_t bytes) noexcept {
    Pool& p = pool();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        p.idle_cap = bytes;
    }
    if (idle_bytes() > bytes) release_idle();
}

void release_idle() noexcept {
    std::multimap<std::size_t, BlockHeader*> blocks;
    Pool& p = pool();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        blocks.swap(p.idle);
        p.idle_total = 0;
    }
    for (auto& entry : blocks) std::free(entry.second);
}

void install_for_pugixml() noexcept {
    pugi::set_memory_management_functions(&allocate, &deallocate);
}

}  // namespace velvane::pool
