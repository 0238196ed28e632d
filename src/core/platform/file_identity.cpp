#include "core/platform/file_identity.hpp"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velvane {

#ifdef _WIN32
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

}  // namespace velvane
