// Work that only fills idle time (indexing files ahead of need) runs at the lowest priority, so that
// it does not take the processor from the thread the caller waits on, nor from the parse of the file
// that thread needs next. A thread that waits for such work leaves the processor to it anyway.
#pragma once

namespace velvane {

// Lowers the priority of the calling thread, for good (a thread cannot raise it again unprivileged).
// Where the system does not allow it, nothing changes.
void lower_this_thread_priority() noexcept;

}  // namespace velvane
