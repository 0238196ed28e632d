#include "python/binding/parse_errors.hpp"

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "core/platform/platform_file.hpp"
#include "core/arxml/text_encoding.hpp"

namespace corvenna {

PyObject* ParseError = nullptr;

namespace {

// The file's bytes; empty when it cannot be read again.
std::string file_bytes(PyObject* fs_path) {
    std::string bytes;
    velvane::FileContents file;
    const char* cause = nullptr;
    if (velvane::read_whole_file(PyBytes_AS_STRING(fs_path), {std::malloc, std::free}, file, cause) == 0) {
        std::unique_ptr<unsigned char, void (*)(void*)> owned(file.data, std::free);
        bytes.assign(reinterpret_cast<const char*>(file.data), file.size);
    }
    return bytes;
}

// The file's text as the parser saw it, in UTF-8: the raw bytes, or their conversion for UTF-16/32
// and Latin-1 files.
std::string parsed_text(std::string bytes, SourceEncoding encoding) {
    if (encoding == SourceEncoding::kUtf8) return bytes;
    if (encoding == SourceEncoding::kWindows1252) {
        std::string utf8(3 * bytes.size(), '\0');
        utf8.resize(windows1252_to_utf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                        reinterpret_cast<unsigned char*>(&utf8[0])));
        return utf8;
    }
    const char* codec = encoding == SourceEncoding::kLatin1 ? "latin-1" : nullptr;
    PyObject* text = nullptr;
    if (codec) {
        text = PyUnicode_Decode(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), codec, "replace");
    } else {
        bool utf32 = bytes.size() >= 4 && ((bytes.compare(0, 4, std::string("\xFF\xFE\0\0", 4)) == 0) ||
                                           (bytes.compare(0, 4, std::string("\0\0\xFE\xFF", 4)) == 0));
        text = utf32 ? PyUnicode_DecodeUTF32(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace", nullptr)
                     : PyUnicode_DecodeUTF16(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace", nullptr);
    }
    std::string utf8;
    if (text) {
        Py_ssize_t size = 0;
        if (const char* data = PyUnicode_AsUTF8AndSize(text, &size)) utf8.assign(data, static_cast<std::size_t>(size));
        Py_DECREF(text);
    }
    PyErr_Clear();
    if (!utf8.empty() && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    return utf8;
}

// 1-based line and column (in characters) of a byte offset in UTF-8 text.
void locate(const std::string& text, std::size_t offset, unsigned long& line, unsigned long& column) {
    line = 1;
    column = 1;
    if (offset > text.size()) offset = text.size();
    for (std::size_t i = 0; i < offset; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
}

// The file's text as the parser saw it, with the encoding the parser chooses for it.
std::string parsed_text_of(PyObject* fs_path) {
    std::string bytes = file_bytes(fs_path);
    SourceEncoding encoding =
        choose_encoding(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()).kind;
    return parsed_text(std::move(bytes), encoding);
}

// Lower-case the first letter to follow "path:line:column: ", but leave an acronym or a tag name ("NUL",
// "R-PORT-PROTOTYPE") alone.
std::string as_continuation(std::string cause) {
    if (cause.size() > 1 && std::islower(static_cast<unsigned char>(cause[1])))
        cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
    return cause;
}

// kind("path:line:column: cause"), or kind("path: cause") where line is 0, with the parts as the
// attributes filename, lineno, colno (None without a line) and cause. New reference, or nullptr.
PyObject* make_located(PyObject* kind, PyObject* path, unsigned long line, unsigned long column,
                       const std::string& cause) {
    PyObject* message = line != 0 ? PyUnicode_FromFormat("%U:%lu:%lu: %s", path, line, column, cause.c_str())
                                   : PyUnicode_FromFormat("%U: %s", path, cause.c_str());
    if (!message) return nullptr;
    PyObject* error = PyObject_CallFunctionObjArgs(kind, message, nullptr);
    Py_DECREF(message);
    if (!error) return nullptr;
    PyObject* lineno = line != 0 ? PyLong_FromUnsignedLong(line) : (Py_INCREF(Py_None), Py_None);
    PyObject* colno = line != 0 ? PyLong_FromUnsignedLong(column) : (Py_INCREF(Py_None), Py_None);
    PyObject* text = PyUnicode_FromString(cause.c_str());
    bool ok = lineno && colno && text && PyObject_SetAttrString(error, "filename", path) == 0 &&
              PyObject_SetAttrString(error, "lineno", lineno) == 0 &&
              PyObject_SetAttrString(error, "colno", colno) == 0 && PyObject_SetAttrString(error, "cause", text) == 0;
    Py_XDECREF(lineno);
    Py_XDECREF(colno);
    Py_XDECREF(text);
    if (!ok) Py_CLEAR(error);
    return error;
}

}  // namespace

PyObject* located_error(PyObject* kind, PyObject* path, PyObject* fs_path, const std::size_t* offset,
                        const std::string& cause) {
    unsigned long line = 0, column = 0;
    if (offset != nullptr) {
        std::string text = parsed_text_of(fs_path);
        if (!text.empty() && *offset <= text.size()) locate(text, *offset, line, column);
    }
    return make_located(kind, path, line, column, offset != nullptr ? as_continuation(cause) : cause);
}

PyObject* raise_load_failure(const LoadOutcome& outcome, PyObject* path, PyObject* fs_path) {
    if (outcome.os_error != 0) {
        if (outcome.os_cause) {
            PyObject* args = Py_BuildValue("(isO)", outcome.os_error, outcome.os_cause, path);
            if (args) {
                PyErr_SetObject(PyExc_OSError, args);
                Py_DECREF(args);
            }
            return nullptr;
        }
        errno = outcome.os_error;
        return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, path);
    }
    unsigned long line = 1, column = 1;
    locate(parsed_text(file_bytes(fs_path), outcome.encoding), outcome.offset, line, column);
    // The parts of the message are kept on the exception too, as json and SyntaxError do.
    PyObject* error = make_located(ParseError, path, line, column, as_continuation(outcome.cause));
    if (!error) return nullptr;
    PyErr_SetObject(ParseError, error);
    Py_DECREF(error);
    return nullptr;
}

}  // namespace corvenna
