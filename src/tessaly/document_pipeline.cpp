#include "tessaly/document_pipeline.hpp"

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

namespace velvane::tessaly {

namespace {

class Pipeline {
public:
    Pipeline(const std::vector<std::string>& paths, std::size_t ahead)
        : paths_(paths), ahead_(ahead), outcomes_(paths.size()), ready_(paths.size(), false) {}

    // Worker loop: takes the next file not yet started, as long as it is within `ahead` of the caller.
    void work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            room_.wait(lock, [&] { return stopping_ || next_ >= paths_.size() || next_ < consumed_ + ahead_; });
            if (stopping_ || next_ >= paths_.size()) return;
            std::size_t i = next_++;
            lock.unlock();
            corvenna::LoadOutcome outcome;
            try {
                outcome = corvenna::load_document(paths_[i].c_str());
            } catch (const std::bad_alloc&) {
                outcome = corvenna::LoadOutcome();
                outcome.os_error = ENOMEM;
            }
            lock.lock();
            outcomes_[i] = std::move(outcome);
            ready_[i] = true;
            done_.notify_all();
        }
    }

    void visit_all(const std::function<void(std::size_t, const corvenna::LoadOutcome&)>& visit) {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            corvenna::LoadOutcome outcome;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                done_.wait(lock, [&] { return ready_[i]; });
                outcome = std::move(outcomes_[i]);
                consumed_ = i + 1;
            }
            room_.notify_all();
            visit(i, outcome);
        }
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        room_.notify_all();
    }

private:
    const std::vector<std::string>& paths_;
    std::size_t ahead_;
    std::vector<corvenna::LoadOutcome> outcomes_;
    std::vector<bool> ready_;
    std::size_t next_ = 0;      // first file no worker has taken
    std::size_t consumed_ = 0;  // files handed to the caller
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable room_;
    std::condition_variable done_;
};

}  // namespace

void parse_in_order(const std::vector<std::string>& paths,
                    const std::function<void(std::size_t, const corvenna::LoadOutcome&)>& visit, unsigned workers,
                    std::size_t ahead) {
    if (paths.empty()) return;
    Pipeline pipeline(paths, ahead == 0 ? 1 : ahead);
    std::vector<std::thread> threads;
    std::exception_ptr failure;
    try {
        for (unsigned w = 0; w < (workers == 0 ? 1 : workers) && w < paths.size(); ++w) {
            threads.emplace_back([&pipeline] { pipeline.work(); });
        }
        pipeline.visit_all(visit);
    } catch (...) {
        failure = std::current_exception();
    }
    pipeline.stop();
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace velvane::tessaly
