#include "core/platform/wait_check.hpp"

namespace velvane {

namespace {
thread_local WaitCheck current_check = nullptr;
}  // namespace

ScopedWaitCheck::ScopedWaitCheck(WaitCheck check) noexcept : previous_(current_check) { current_check = check; }

ScopedWaitCheck::~ScopedWaitCheck() { current_check = previous_; }

WaitCheck this_thread_wait_check() noexcept { return current_check; }

}  // namespace velvane
