// What tells one version of a file from another without reading it: taken before a file is read for a
// parse made ahead of its turn, and again at the turn, the prepared document is used only when both
// agree (the same file, not written or replaced since).
#pragma once

namespace velvane {

struct FileIdentity {
    bool known = false;  // false where it could not be taken: such a document is never handed over
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

// The identity of the regular file at `fs_path` (file-system encoded); not known for anything else,
// and not taken on Windows yet.
FileIdentity identity_of(const char* fs_path);

}  // namespace velvane
