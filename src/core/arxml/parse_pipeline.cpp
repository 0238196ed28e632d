#include "core/arxml/parse_pipeline.hpp"

#include "core/platform/thread_priority.hpp"

#include <cerrno>
#include <new>
#include <utility>

namespace velvane {

ParsePipeline::ParsePipeline(std::vector<std::string> paths, PrepareParse prepare, unsigned workers,
                             std::size_t ahead, bool background)
    : paths_(std::move(paths)),
      ahead_(ahead == 0 ? 1 : ahead),
      prepare_(std::move(prepare)),
      outcomes_(paths_.size()),
      ready_(paths_.size(), false) {
    try {
        for (unsigned w = 0; w < (workers == 0 ? 1 : workers) && w < paths_.size(); ++w) {
            threads_.emplace_back([this, background] {
                if (background) lower_this_thread_priority(ThreadPriority::below_normal);
                work();
            });
        }
    } catch (...) {
        stop();
        throw;
    }
}

ParsePipeline::~ParsePipeline() { stop(); }

void ParsePipeline::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
    done_.notify_all();
    std::lock_guard<std::mutex> joining(joining_);
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

// Worker loop: takes the next file not yet started, as long as it is within `ahead` of the caller.
void ParsePipeline::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        room_.wait(lock, [&] { return stopping_ || next_ >= paths_.size() || next_ < consumed_ + ahead_; });
        if (stopping_ || next_ >= paths_.size()) return;
        std::size_t i = next_++;
        lock.unlock();
        LoadOutcome outcome;
        try {
            outcome = load_document(paths_[i].c_str());
        } catch (const std::bad_alloc&) {
            outcome = LoadOutcome();
            outcome.os_error = ENOMEM;
        }
        if (prepare_) prepare_(i, outcome);
        lock.lock();
        outcomes_[i] = std::move(outcome);
        ready_[i] = true;
        done_.notify_all();
    }
}

LoadOutcome ParsePipeline::take() {
    LoadOutcome outcome;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        std::size_t i = consumed_;
        done_.wait(lock, [&] { return ready_[i] || stopping_; });
        if (!ready_[i]) {
            outcome.os_error = ECANCELED;
            return outcome;
        }
        outcome = std::move(outcomes_[i]);
        consumed_ = i + 1;
    }
    room_.notify_all();
    return outcome;
}

}  // namespace velvane
