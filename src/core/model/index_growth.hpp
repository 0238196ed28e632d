// The run's project index, built while the sheets are written. Worker threads parse and index the
// files from the start of the run; one merging thread merges their indexes in listing order (the
// first definition of a path stays) and, when the run asks for it, prepares each file's components as
// soon as that file is in (the rules layer types their ports there). A sheet waits only for its own file; a look-up of what no
// file merged so far defines waits for the merging of them all, as the complete index decides it.
//
// Thread rules: only the merging thread changes the index. Any other thread reads the index's maps
// only after complete_index(), and before that only what prepared_components() hands out. The waits of
// other threads call their wait check (platform/wait_check.hpp).
#pragma once

#include "core/arxml/document.hpp"
#include "core/model/project_index.hpp"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velvane {

// What the merging thread works out for a component as soon as its file is merged, for the sheet of
// that file to take; the index only holds it. The rules layer derives its port types from this.
class ComponentPreparation {
public:
    virtual ~ComponentPreparation() = default;
};

// Prepares one component of a file just merged, on the merging thread (which may read the index then).
using PrepareComponent =
    std::function<std::unique_ptr<const ComponentPreparation>(const ProjectIndex&, const ComponentEntry&)>;

// A component of one file, with what was prepared for it (null when the run prepares nothing).
struct PreparedComponent {
    const ComponentEntry* component;
    std::unique_ptr<const ComponentPreparation> prepared;
};

// What a run needs of its index.
struct IndexWants {
    bool details = false;      // the signal details (ProjectIndex::details)
    bool connections = true;   // the compositions and every component type's ports (ProjectIndex::wiring)
    PrepareComponent prepare;  // run on each file's components once the file is merged; none: nothing
    // The documents of files with a sheet are kept for the analysis (take_document) instead of being
    // parsed again; the index then keeps only a few files ahead of the sheet being written.
    bool share_documents = false;
};

// Starts indexing `sources`.
std::shared_ptr<ProjectIndex> start_project_index(std::vector<IndexSource> sources, const IndexWants& wants);

// The components of the file keyed `key`, in document order, once that file is merged (and its
// components prepared); null when the index is not growing (read it directly then) and an empty list
// for a key it lacks. A failure of the index building is raised here.
const std::vector<PreparedComponent>* prepared_components(const ProjectIndex& index, const std::string& key);

// A parsed file the index kept for the analysis: the document, the path it was read from and the
// file's identity before it was read.
struct KeptDocument {
    std::unique_ptr<Document> document;
    std::string fs_path;
    FileIdentity identity;
    bool coming = false;  // none yet, but the index is to keep one: the file is still being parsed
};

// How take_document treats a file the index is still parsing for the analysis.
enum class WhenComing { return_at_once, wait };

// The document of the file keyed `key`, when the index kept it (IndexWants::share_documents) and
// nobody took it yet; else one without a document. A document still coming is waited for only when
// asked to (a caller holding an interpreter lock lets go of it first).
KeptDocument take_document(const ProjectIndex& index, const std::string& key, WhenComing when);

// Why the index left out the file keyed `key` though it could be parsed (IndexRefusal), once that file
// is parsed; nullopt when it did not, or when the index is not growing. Waits for the file's parse:
// call it after take_document for the file, and without holding the GIL.
std::optional<IndexRefusal> index_refusal(const ProjectIndex& index, const std::string& key);

}  // namespace velvane
