// read_whole_file on POSIX: what it gives for the files a directory listing can hold.
#include <doctest/doctest.h>

#include "core/platform/file_identity.hpp"
#include "core/platform/platform_file.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const velvane::BlockAllocator kMalloc{std::malloc, std::free};

// A fresh directory, removed with what the test put into it.
struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/velvane-platform-XXXXXX";
        REQUIRE(::mkdtemp(name) != nullptr);
        path = name;
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string file(const std::string& name, const std::string& bytes) const {
        std::ofstream(path + "/" + name, std::ios::binary) << bytes;
        return path + "/" + name;
    }
};

struct Read {
    int error = 0;
    const char* cause = nullptr;
    std::string bytes;
    bool terminated = false;
};

Read read(const std::string& path) {
    velvane::FileContents file;
    Read r{};
    r.error = velvane::read_whole_file(path.c_str(), kMalloc, file, r.cause);
    if (r.error == 0) {
        r.bytes.assign(reinterpret_cast<const char*>(file.data), file.size);
        r.terminated = file.data[file.size] == 0;
        std::free(file.data);
    }
    return r;
}

}  // namespace

TEST_CASE("a regular file is read whole and NUL-terminated with NUL bytes inside kept") {
    TempDir dir;
    std::string bytes("<AUTOSAR>\0x</AUTOSAR>", 21);
    Read r = read(dir.file("a.arxml", bytes));
    CHECK(r.error == 0);
    CHECK(r.bytes == bytes);
    CHECK(r.terminated);
}

TEST_CASE("an empty file reads as no bytes") {
    TempDir dir;
    Read r = read(dir.file("empty.arxml", ""));
    CHECK(r.error == 0);
    CHECK(r.bytes.empty());
    CHECK(r.terminated);
}

TEST_CASE("what is not a readable regular file is refused with its errno") {
    TempDir dir;
    CHECK(read(dir.path + "/missing.arxml").error == ENOENT);
    CHECK(read(dir.path + "/no-such-dir/x.arxml").error == ENOENT);

    Read folder = read(dir.path);
    CHECK(folder.error == EISDIR);

    // A FIFO without a writer is refused at once instead of blocking the read.
    std::string fifo = dir.path + "/fifo.arxml";
    REQUIRE(::mkfifo(fifo.c_str(), 0600) == 0);
    Read r = read(fifo);
    CHECK(r.error == EINVAL);
    REQUIRE(r.cause != nullptr);
    CHECK(std::string(r.cause) == "not a regular file");
}

TEST_CASE("a file's identity tells a rewritten file from the one read before") {
    TempDir dir;
    std::string path = dir.file("a.arxml", "one");
    velvane::FileIdentity before = velvane::identity_of(path.c_str());
    CHECK(before.known);
    CHECK(before == velvane::identity_of(path.c_str()));
    dir.file("a.arxml", "longer");
    CHECK_FALSE(before == velvane::identity_of(path.c_str()));
    CHECK_FALSE(velvane::identity_of(dir.path.c_str()).known);
    CHECK_FALSE(velvane::FileIdentity() == velvane::FileIdentity());
}
