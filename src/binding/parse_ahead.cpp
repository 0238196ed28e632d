#include "parse_ahead.hpp"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <pythread.h>

namespace corvenna::ahead {
namespace {

// What tells one version of a file from another without reading it.
struct FileIdentity {
    bool known = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modified_ns = 0;
    long long changed_ns = 0;

    bool operator==(const FileIdentity& other) const {
        return known && other.known && device == other.device && inode == other.inode && size == other.size &&
               modified_ns == other.modified_ns && changed_ns == other.changed_ns;
    }
};

#ifdef _WIN32
// No identity is taken there yet: a prepared document is never handed over, the turn parses afresh.
FileIdentity identity_of(const char*) { return FileIdentity(); }
#else
FileIdentity identity_of(const char* fs_path) {
    FileIdentity identity;
    struct stat st;
    if (::stat(fs_path, &st) != 0 || !S_ISREG(st.st_mode)) return identity;
    identity.known = true;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = st.st_size;
    identity.modified_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    identity.changed_ns = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return identity;
}
#endif

// One request. The worker writes `seen` and `outcome`; they are read only after it has been joined.
struct Job {
    std::string fs_path;
    unsigned long thread = 0;  // the requesting thread: only its own parse takes the document
    std::thread worker;
    FileIdentity seen;  // taken before reading, so that any later change shows
    LoadOutcome outcome;
    bool usable = false;  // the worker finished with a document
};

void run(Job* job) noexcept {
    try {
        job->seen = identity_of(job->fs_path.c_str());
        job->outcome = load_document(job->fs_path.c_str());
        job->usable = job->outcome.document != nullptr;
    } catch (...) {
        job->outcome = LoadOutcome();  // the turn's own parse meets whatever went wrong here
        job->usable = false;
    }
}

void join(Job& job) {
    if (!job.worker.joinable()) return;
    py::gil_scoped_release unlocked;
    job.worker.join();
}

// Requests not taken yet, with the tickets that own them. Read and changed only under the GIL.
struct Pending {
    Job* job;
    PyObject* ticket;  // borrowed: the ticket removes its entry before it goes
};

std::vector<Pending>& pending() {
    static auto* requests = new std::vector<Pending>();  // never destroyed: tickets may outlive statics
    return *requests;
}

void forget(Job* job) {
    auto& requests = pending();
    requests.erase(std::remove_if(requests.begin(), requests.end(), [&](const Pending& p) { return p.job == job; }),
                   requests.end());
}

class Ticket {
public:
    Ticket() : job_(new Job()) {}
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;

    // Runs with the GIL held (the object is being freed): waits for the worker, frees what it made.
    ~Ticket() {
        forget(job_.get());
        join(*job_);
    }

    Job& job() { return *job_; }

private:
    std::unique_ptr<Job> job_;
};

}  // namespace

void add_ticket_class(py::module_& m) {
    py::class_<Ticket>(m, "_ParseAhead",
                       "A file being parsed ahead of its turn (see _parse_ahead). Dropping it discards the "
                       "document if no parse took it.");
}

py::object start(py::handle fs_path) {
    auto* ticket = new Ticket();
    py::object owner = py::cast(ticket, py::return_value_policy::take_ownership);
    Job& job = ticket->job();
    job.fs_path.assign(PyBytes_AS_STRING(fs_path.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(fs_path.ptr())));
    job.thread = PyThread_get_thread_ident();
    try {
        job.worker = std::thread(run, &job);
    } catch (const std::system_error&) {
        return py::none();  // no thread to spare: the file is parsed at its turn
    }
    pending().push_back({&job, owner.ptr()});
    return owner;
}

std::unique_ptr<Document> take(const char* fs_path) {
    auto& requests = pending();
    unsigned long thread = PyThread_get_thread_ident();
    auto found = std::find_if(requests.begin(), requests.end(), [&](const Pending& p) {
        return p.job->thread == thread && p.job->fs_path == fs_path;
    });
    if (found == requests.end()) return nullptr;
    Job& job = *found->job;
    // Held while the GIL is released, so that the ticket cannot go (and join) at the same time.
    py::object owner = py::reinterpret_borrow<py::object>(found->ticket);
    requests.erase(found);
    join(job);
    if (!job.usable) return nullptr;
    job.usable = false;
    std::unique_ptr<Document> document = std::move(job.outcome.document);
    if (!(identity_of(fs_path) == job.seen)) {
        py::gil_scoped_release unlocked;
        document.reset();  // the file changed since: its turn reads it afresh
        return nullptr;
    }
    return document;
}

}  // namespace corvenna::ahead
