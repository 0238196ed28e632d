// Work that only fills idle time runs below the normal priority, so that it does not take the
// processor from the thread the caller waits on, nor from the parse of the file that thread needs
// next. A thread that waits for such work leaves the processor to it anyway. Two levels: indexing
// files ahead of need, and below it, handing finished sheets to the workbook library, which can wait
// until the workbook is closed.
#pragma once

namespace velvane {

enum class ThreadPriority { below_normal, lowest };

// Lowers the priority of the calling thread, for good (a thread cannot raise it again unprivileged).
// Where the system does not allow it, nothing changes.
void lower_this_thread_priority(ThreadPriority priority) noexcept;

}  // namespace velvane
