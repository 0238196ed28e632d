#include "core/platform/thread_priority.hpp"

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace velvane {

void lower_this_thread_priority(ThreadPriority priority) noexcept {
    bool lowest = priority == ThreadPriority::lowest;
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), lowest ? THREAD_PRIORITY_LOWEST : THREAD_PRIORITY_BELOW_NORMAL);
#elif defined(__linux__)
    // On Linux the nice value belongs to the thread, named by its thread id.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), lowest ? 19 : 10);
#else
    (void)lowest;
#endif
}

}  // namespace velvane
