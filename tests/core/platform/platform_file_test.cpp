// The Windows implementation of read_whole_file, run under Wine by tools/check_windows.sh.
// Prints one line per failed check and exits with status 1 when any failed.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/platform/platform_file.hpp"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what);
        ++failures;
    }
}

const velvane::BlockAllocator kMalloc{std::malloc, std::free};

struct Read {
    int error;
    const char* cause;
    std::string bytes;
    bool terminated;
};

Read read(const std::string& path) {
    velvane::FileContents file;
    Read r{0, nullptr, "", false};
    r.error = velvane::read_whole_file(path.c_str(), kMalloc, file, r.cause);
    if (r.error == 0) {
        r.bytes.assign(reinterpret_cast<const char*>(file.data), file.size);
        r.terminated = file.data[file.size] == 0;
        std::free(file.data);
    }
    return r;
}

std::string utf8(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) && n == bytes.size());
    CloseHandle(h);
    return ok;
}

}  // namespace

int main() {
    wchar_t temp[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, temp)) return 2;
    std::wstring dir = std::wstring(temp) + L"velvane-platform-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(dir.c_str(), nullptr)) return 2;

    // A name outside ASCII, with a character beyond the BMP (a surrogate pair in UTF-16).
    std::wstring named = dir + L"\\Gr\u00f6\u00dfe_\u8f66\u95e8_\U0001F697.arxml";
    const char bytes[] = "<AUTOSAR>\xe8\xbd\xa6\x00\r\n</AUTOSAR>";
    std::string content(bytes, sizeof bytes - 1);
    check(write_file(named, content), "write the file with a non-ASCII name");
    Read r = read(utf8(named));
    check(r.error == 0, "a non-ASCII name opens from its UTF-8 form");
    check(r.bytes == content && r.terminated, "all bytes are read, NUL-terminated");

    std::wstring empty = dir + L"\\empty.arxml";
    check(write_file(empty, ""), "write the empty file");
    r = read(utf8(empty));
    check(r.error == 0 && r.bytes.empty() && r.terminated, "an empty file reads as no bytes");

    r = read(utf8(dir + L"\\missing.arxml"));
    check(r.error == ENOENT, "a missing file is ENOENT");
    r = read(utf8(dir + L"\\no-such-dir\\x.arxml"));
    check(r.error == ENOENT, "a missing directory on the path is ENOENT");

    std::wstring folder = dir + L"\\folder.arxml";
    check(CreateDirectoryW(folder.c_str(), nullptr) != 0, "make a directory");
    r = read(utf8(folder));
    check(r.error == EISDIR, "a directory is EISDIR");

    // A pipe with no writer and a character device are refused at once, without blocking.
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\velvane-platform-test", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0,
                                   0, 0, nullptr);
    check(pipe != INVALID_HANDLE_VALUE, "make a named pipe");
    r = read("\\\\.\\pipe\\velvane-platform-test");
    check(r.error == EINVAL && r.cause && std::strcmp(r.cause, "not a regular file") == 0,
          "a named pipe is not a regular file");
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    r = read("NUL");
    check(r.error == EINVAL && r.cause, "the NUL device is not a regular file");

    r = read("bad\xff\xfe.arxml");
    check(r.error == EINVAL && r.cause, "a name that is not UTF-8 is refused");

    DeleteFileW(named.c_str());
    DeleteFileW(empty.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(dir.c_str());
    std::printf("%s: %d failed\n", failures ? "FAIL" : "ok", failures);
    return failures ? 1 : 0;
}
