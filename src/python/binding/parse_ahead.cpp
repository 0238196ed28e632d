#include "python/binding/parse_ahead.hpp"

#include "core/arxml/buffer_pool.hpp"
#include "python/binding/document_handoff.hpp"
#include "core/platform/file_identity.hpp"

#include <algorithm>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <pythread.h>

namespace corvenna::ahead {
namespace {

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
        job->outcome = load_document(job->fs_path.c_str());
        job->seen = job->outcome.identity;
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

py::object adopt(py::handle fs_path, std::unique_ptr<Document> document, const FileIdentity& seen) {
    auto* ticket = new Ticket();
    py::object owner = py::cast(ticket, py::return_value_policy::take_ownership);
    Job& job = ticket->job();
    job.fs_path.assign(PyBytes_AS_STRING(fs_path.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(fs_path.ptr())));
    job.thread = PyThread_get_thread_ident();
    job.seen = seen;
    job.outcome.document = std::move(document);
    job.usable = job.outcome.document != nullptr;
    pending().push_back({&job, owner.ptr()});
    return owner;
}

namespace {

PyObject* adopt_entry(PyObject* fs_path, Document* document, const FileIdentity* seen) {
    std::unique_ptr<Document> owned(document);
    if (!PyBytes_Check(fs_path) || seen == nullptr) {
        PyErr_SetString(PyExc_TypeError, "a document is handed over with its path as bytes and its identity");
        return nullptr;
    }
    try {
        return adopt(fs_path, std::move(owned), *seen).release().ptr();
    } catch (py::error_already_set& failure) {
        failure.restore();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& failure) {
        PyErr_SetString(PyExc_RuntimeError, failure.what());
    }
    return nullptr;
}

const handoff::DocumentHandoff handoff_api = {handoff::kVersion, &adopt_entry, &pool::allocate, &pool::deallocate};

}  // namespace

PyObject* handoff_capsule() {
    return PyCapsule_New(const_cast<handoff::DocumentHandoff*>(&handoff_api), handoff::kCapsuleName, nullptr);
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
