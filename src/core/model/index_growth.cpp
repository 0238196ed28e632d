#include "core/model/index_growth.hpp"

#include "core/platform/thread_priority.hpp"
#include "core/platform/wait_check.hpp"
#include "core/arxml/parse_pipeline.hpp"
#include "core/model/index_merge.hpp"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <utility>

namespace velvane {

namespace {

constexpr unsigned worker_count = 2;

// With shared documents: files merged ahead of the sheet asked for last, and files parsed ahead of the
// last merged. Each kept document costs about three times its file.
constexpr std::size_t merge_lead = 1;
constexpr std::size_t parse_lead = 2;

std::vector<std::string> paths_of(const std::vector<IndexSource>& sources) {
    std::vector<std::string> paths;
    paths.reserve(sources.size());
    for (const IndexSource& source : sources) paths.push_back(source.fs_path);
    return paths;
}

void set_wants(ProjectIndex& index, const IndexWants& wants) {
    index.details.wanted = wants.details;
    index.wiring.wanted = wants.connections;
}

std::vector<ProjectIndex> empty_parts(std::size_t count, const IndexWants& wants) {
    std::vector<ProjectIndex> parts(count);
    for (ProjectIndex& part : parts) set_wants(part, wants);
    return parts;
}

// The growth whose merging thread this is, on that thread.
thread_local const void* merging_here = nullptr;

// Where a file's components landed in the merged index: `count` entries from `first` of its key's list.
struct ComponentRange {
    std::size_t first = 0;
    std::size_t count = 0;
};

}  // namespace

// Each file is indexed on the worker that parsed it, into an index of its own. Its document is then
// freed there, or kept for the analysis (IndexWants::share_documents). Without shared documents the
// workers and the merging thread run through the whole list as fast as they can: the parts are small
// beside the documents. With them, the merging thread stays merge_lead files ahead of the last sheet
// asked for and the workers parse_lead files ahead of it, so that the documents kept are those of the
// next files to be analysed; a look-up that needs more (what no file merged so far defines) and
// complete_index() lift that limit.
class IndexGrowth {
public:
    IndexGrowth(ProjectIndex& index, std::vector<IndexSource> sources, const IndexWants& wants)
        : index_(index),
          sources_(std::move(sources)),
          prepare_(wants.prepare),
          sharing_(wants.share_documents),
          parts_(empty_parts(sources_.size(), wants)),
          parsed_(sources_.size(), 0),
          failures_(sources_.size()),
          refusals_(sources_.size()),
          ranges_(sources_.size()),
          kept_(sources_.size()),
          settled_(sources_.size(), 0),
          pipeline_(paths_of(sources_),
                    [this](std::size_t i, LoadOutcome& outcome) { index_file(i, outcome); },
                    worker_count, sharing_ ? parse_lead : sources_.size(), true) {
        // Every key's list exists before the merging thread starts: the map itself never changes then.
        for (std::size_t i = 0; i < sources_.size(); ++i) {
            typed_[sources_[i].key];
            last_position_[sources_[i].key] = i;
        }
    }

    ~IndexGrowth() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        progress_.notify_all();
        pipeline_.stop();
        if (merging_.joinable()) merging_.join();
    }

    IndexGrowth(const IndexGrowth&) = delete;
    IndexGrowth& operator=(const IndexGrowth&) = delete;

    // Once the index owns this object: look-ups of the merging thread find it there.
    void start() { merging_ = std::thread([this] { run(); }); }

    bool grow() {
        if (merging_here == this) return merge_next();
        ask_for(sources_.size());
        wait_for([&] { return merged_ == sources_.size(); });
        return false;
    }

    const std::vector<PreparedComponent>* prepared(const std::string& key) {
        auto last = last_position_.find(key);
        if (last == last_position_.end()) return &none_;
        std::size_t position = last->second;
        ask_for(position);
        wait_for([&] { return typed_count_ > position; });
        return &typed_.find(key)->second;
    }

    KeptDocument take_document(const std::string& key, WhenComing when) {
        auto last = last_position_.find(key);
        if (last == last_position_.end()) return KeptDocument();
        std::size_t position = last->second;
        if (position > 0) ask_for(position - 1);  // the file before it is about to be analysed
        std::unique_lock<std::mutex> lock(mutex_);
        auto coming = [&] {
            return sharing_ && sources_[position].has_sheet && position > asked_ && !settled_[position] &&
                   !stopping_ && !finished_;
        };
        if (when == WhenComing::wait) checked_wait(progress_, lock, [&] { return !coming(); });
        KeptDocument kept = std::move(kept_[position]);
        kept.coming = coming();
        return kept;
    }

    std::optional<IndexRefusal> refusal(const std::string& key) {
        auto last = last_position_.find(key);
        if (last == last_position_.end()) return std::nullopt;
        std::size_t position = last->second;
        ask_for(position);
        std::unique_lock<std::mutex> lock(mutex_);
        checked_wait(progress_, lock, [&] { return settled_[position] || stopping_ || finished_; });
        return settled_[position] ? refusals_[position] : std::nullopt;
    }

private:
    // Waits until `ready()` or the merging thread has ended; raises its failure, if it had one.
    template <class Ready>
    void wait_for(Ready&& ready) {
        std::unique_lock<std::mutex> lock(mutex_);
        checked_wait(progress_, lock, [&] { return ready() || finished_; });
        if (!ready() && failure_) std::rethrow_exception(failure_);
    }

    // The merging thread may go on to file `position` (and merge_lead beyond): the caller needs it.
    void ask_for(std::size_t position) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (asked_ >= position) return;
            asked_ = position;
        }
        progress_.notify_all();
    }

    // On a worker, right after the parse.
    void index_file(std::size_t i, LoadOutcome& outcome) {
        keep_or_drop(i, outcome);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            settled_[i] = 1;
        }
        progress_.notify_all();
    }

    void keep_or_drop(std::size_t i, LoadOutcome& outcome) {
        if (!outcome.document) return;
        parsed_[i] = 1;
        // What was indexed before running out of memory stays.
        try {
            index_document(parts_[i], static_cast<std::uint32_t>(i), sources_[i].key,
                           outcome.document->xml.document_element(), outcome.document->text_size);
        } catch (const IndexRefusal& refused) {
            // Left out like a file that cannot be parsed; the loader reports it at its turn.
            refusals_[i] = refused;
            parsed_[i] = 0;
            parts_[i] = ProjectIndex();
            outcome.document.reset();
            return;
        } catch (const std::bad_alloc&) {
        } catch (...) {
            failures_[i] = std::current_exception();  // raised at the file's turn
        }
        if (sharing_ && sources_[i].has_sheet) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (i > asked_) {  // its analysis has not begun
                kept_[i] = KeptDocument{std::move(outcome.document), sources_[i].fs_path, outcome.identity};
                return;
            }
        }
        outcome.document.reset();
    }

    // On the merging thread: waits until file `t` is wanted soon, or everything is.
    bool may_go_on_to(std::size_t t) {
        if (!sharing_) return !stopping_;
        std::unique_lock<std::mutex> lock(mutex_);
        progress_.wait(lock, [&] {
            return stopping_ || asked_ >= sources_.size() || t <= asked_ + merge_lead;
        });
        // Documents of files whose analysis has begun are not wanted any more.
        std::vector<KeptDocument> passed;
        for (; unwanted_ <= asked_ && unwanted_ < kept_.size(); ++unwanted_) {
            if (kept_[unwanted_].document) passed.push_back(std::move(kept_[unwanted_]));
        }
        lock.unlock();
        return !stopping_;
    }

    std::size_t component_count(const std::string& key) const {
        auto found = index_.components.find(key);
        return found == index_.components.end() ? 0 : found->second.size();
    }

    // On the merging thread: the next file into the index, in listing order.
    bool merge_next() {
        std::size_t i = merged_;
        if (i >= sources_.size() || stopping_) return false;
        pipeline_.take();
        if (stopping_) return false;
        const std::string& key = sources_[i].key;
        if (!parsed_[i]) {
            index_.skipped.push_back(key);  // the loader reports the file at its turn
        } else {
            index_.files.push_back(key);
            if (failures_[i]) std::rethrow_exception(failures_[i]);
            ranges_[i].first = component_count(key);
            // What was merged before running out of memory stays; the run goes on with the next file.
            try {
                merge_file_index(index_, std::move(parts_[i]));
            } catch (const std::bad_alloc&) {
            }
            ranges_[i].count = component_count(key) - ranges_[i].first;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            merged_ = i + 1;
        }
        progress_.notify_all();
        return true;
    }

    std::vector<PreparedComponent> prepare_file(std::size_t i) {
        std::vector<PreparedComponent> typed;
        if (ranges_[i].count == 0) return typed;
        const std::deque<ComponentEntry>& components = index_.components.find(sources_[i].key)->second;
        for (std::size_t c = ranges_[i].first; c < ranges_[i].first + ranges_[i].count; ++c) {
            PreparedComponent entry{&components[c], nullptr};
            if (prepare_) entry.prepared = prepare_(index_, components[c]);
            typed.push_back(std::move(entry));
        }
        return typed;
    }

    // The merging thread: each file merged, then its components typed, in listing order.
    void run() {
        merging_here = this;
        lower_this_thread_priority(ThreadPriority::below_normal);
        try {
            for (std::size_t t = 0; t < sources_.size() && may_go_on_to(t); ++t) {
                while (merged_ <= t && merge_next()) {
                }
                if (merged_ <= t) break;
                std::vector<PreparedComponent> typed = prepare_file(t);
                std::lock_guard<std::mutex> lock(mutex_);
                std::vector<PreparedComponent>& list = typed_.find(sources_[t].key)->second;
                for (PreparedComponent& entry : typed) list.push_back(std::move(entry));
                typed_count_ = t + 1;
                progress_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        progress_.notify_all();
    }

    ProjectIndex& index_;
    std::vector<IndexSource> sources_;
    PrepareComponent prepare_;
    bool sharing_;
    std::vector<ProjectIndex> parts_;
    std::vector<char> parsed_;
    std::vector<std::exception_ptr> failures_;
    std::vector<std::optional<IndexRefusal>> refusals_;  // a worker's, read once the file is settled
    std::vector<ComponentRange> ranges_;  // the merging thread's own
    std::vector<KeptDocument> kept_;  // documents for the analysis, under mutex_
    std::vector<char> settled_;       // parsed, and kept or let go; under mutex_
    std::unordered_map<std::string, std::size_t> last_position_;
    std::unordered_map<std::string, std::vector<PreparedComponent>> typed_;  // filled under mutex_
    const std::vector<PreparedComponent> none_;
    std::mutex mutex_;
    std::condition_variable progress_;
    std::size_t merged_ = 0;       // files merged; written under mutex_ by the merging thread
    std::size_t typed_count_ = 0;  // files typed; likewise
    std::size_t asked_ = 0;        // the furthest file a caller asked for
    std::size_t unwanted_ = 0;     // kept_ before this position has been let go
    bool finished_ = false;
    std::exception_ptr failure_;
    std::atomic<bool> stopping_{false};
    ParsePipeline pipeline_;  // its workers use the members above
    std::thread merging_;
};

std::shared_ptr<ProjectIndex> start_project_index(std::vector<IndexSource> sources, const IndexWants& wants) {
    auto index = std::make_shared<ProjectIndex>();
    set_wants(*index, wants);
    index->sources = sources;
    index->growth = std::make_shared<IndexGrowth>(*index, std::move(sources), wants);
    index->growth->start();
    return index;
}

bool grow_index(const ProjectIndex& index) { return index.growth != nullptr && index.growth->grow(); }

void complete_index(const ProjectIndex& index) {
    while (grow_index(index)) {
    }
}

const std::vector<PreparedComponent>* prepared_components(const ProjectIndex& index, const std::string& key) {
    return index.growth == nullptr ? nullptr : index.growth->prepared(key);
}

KeptDocument take_document(const ProjectIndex& index, const std::string& key, WhenComing when) {
    return index.growth == nullptr ? KeptDocument() : index.growth->take_document(key, when);
}

std::optional<IndexRefusal> index_refusal(const ProjectIndex& index, const std::string& key) {
    return index.growth == nullptr ? std::nullopt : index.growth->refusal(key);
}

}  // namespace velvane
