// Parses a list of files on worker threads, a few ahead of the caller, and hands each outcome to the
// caller in list order (ParsePipeline). The workers take no lock of the caller's: a caller holding an
// interpreter lock may keep it for short waits, and lets go of it for long ones.
#pragma once

#include "core/arxml/document.hpp"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velvane {

// `prepare(i, outcome)` runs on the worker that parsed `paths[i]`, right after the parse: work on the
// document that need not wait for its turn. It must not throw and may only touch what belongs to file i.
using PrepareParse = std::function<void(std::size_t, LoadOutcome&)>;

// The workers start at construction and take the files in list order, at most `ahead` beyond the
// last one handed over; the destructor stops them (each finishes the file in hand) and waits for them.
// `background` workers run below the normal priority (core/platform/thread_priority.hpp).
class ParsePipeline {
public:
    ParsePipeline(std::vector<std::string> paths, PrepareParse prepare, unsigned workers, std::size_t ahead,
                  bool background = false);
    ~ParsePipeline();

    ParsePipeline(const ParsePipeline&) = delete;
    ParsePipeline& operator=(const ParsePipeline&) = delete;

    std::size_t size() const { return paths_.size(); }

    // Files handed over so far; the next take() gives file `taken()`.
    std::size_t taken() const { return consumed_; }

    // Waits for the next file's outcome and hands it over. Only while taken() < size(). After stop(),
    // an outcome not yet ready is not waited for: an empty one comes back (os_error ECANCELED).
    LoadOutcome take();

    // Stops the workers (each finishes the file in hand) and waits for them. Any thread may call it.
    void stop();

private:
    void work();

    std::vector<std::string> paths_;
    std::size_t ahead_;
    PrepareParse prepare_;
    std::vector<LoadOutcome> outcomes_;
    std::vector<bool> ready_;
    std::size_t next_ = 0;      // first file no worker has taken
    std::size_t consumed_ = 0;  // files handed to the caller
    bool stopping_ = false;
    std::mutex mutex_;
    std::mutex joining_;  // stop() may come from two threads
    std::condition_variable room_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
};

}  // namespace velvane
