// Lets go of a large structure of many small allocations on a thread of its own, so that freeing it
// overlaps with the work that follows (closing the workbook) instead of adding to it. The release is
// over when the object is destroyed: its destructor waits for the thread. When this holds the last
// owner and no thread can be started, the structure is freed at once, on the caller's thread.
#pragma once

#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace velvane {

template <class T>
class BackgroundRelease {
public:
    explicit BackgroundRelease(std::shared_ptr<T> owned) {
        if (owned.use_count() != 1) return;  // another owner frees it when it is done
        try {
            thread_ = std::thread([held = std::move(owned)]() mutable { held.reset(); });
        } catch (const std::system_error&) {
            owned.reset();
        }
    }

    ~BackgroundRelease() {
        if (thread_.joinable()) thread_.join();
    }

    BackgroundRelease(const BackgroundRelease&) = delete;
    BackgroundRelease& operator=(const BackgroundRelease&) = delete;

private:
    std::thread thread_;
};

}  // namespace velvane
