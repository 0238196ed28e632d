// Waits a caller may need to end early. The core's long waits (for the project index, for the sheets
// on their way into the workbook) happen on the caller's thread, often without anything else running
// there; a program that must react to an interrupt meanwhile sets a check for that thread, and those
// waits call it every few tens of milliseconds. A check that throws ends the wait with its exception.
//
// Thread rules: a check belongs to the thread that set it and is called only on that thread, with no
// lock of the waiting code held.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velvane {

using WaitCheck = void (*)();

// Sets `check` as this thread's check while it lives; the check set before comes back after.
class ScopedWaitCheck {
public:
    explicit ScopedWaitCheck(WaitCheck check) noexcept;
    ~ScopedWaitCheck();
    ScopedWaitCheck(const ScopedWaitCheck&) = delete;
    ScopedWaitCheck& operator=(const ScopedWaitCheck&) = delete;

private:
    WaitCheck previous_;
};

// This thread's check, or null.
WaitCheck this_thread_wait_check() noexcept;

// How often a waiting thread calls its check.
constexpr std::chrono::milliseconds wait_check_interval{50};

// condition.wait(lock, ready), calling this thread's check (with `lock` let go) every
// wait_check_interval until ready() holds. Whatever the check throws ends the wait, `lock` not held.
template <class Ready>
void checked_wait(std::condition_variable& condition, std::unique_lock<std::mutex>& lock, Ready&& ready) {
    WaitCheck check = this_thread_wait_check();
    if (check == nullptr) {
        condition.wait(lock, ready);
        return;
    }
    while (!condition.wait_for(lock, wait_check_interval, ready)) {
        lock.unlock();
        check();
        lock.lock();
    }
}

}  // namespace velvane
