#include "python/pellinor/text_cache.hpp"

#include <cstdint>
#include <cstring>

namespace velvane::pellinor {
namespace {

namespace native = corvenna::native;

constexpr int kSlotBits = 12;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
static_assert(kSlotBits <= 16, "slots are kept as 16-bit numbers");

std::uint64_t load8(const char* bytes, std::size_t size) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, size < 8 ? size : 8);
    return word;
}

// Mixes the length and the first and last eight bytes: texts that differ only in their middle share
// a slot, which costs a str made again, never a wrong one.
std::size_t slot_of(const char* bytes, std::size_t size) {
    std::uint64_t head = load8(bytes, size);
    std::uint64_t tail = size > 8 ? load8(bytes + size - 8, 8) : 0;
    std::uint64_t mixed = (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full) ^ size;
    return static_cast<std::size_t>((mixed * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
}

bool spells(PyObject* text, const char* bytes, std::size_t size) {
    return static_cast<std::size_t>(PyUnicode_GET_LENGTH(text)) == size &&
           std::memcmp(PyUnicode_1BYTE_DATA(text), bytes, size) == 0;
}

py::object read_whole(const native::NativeApi& api, const native::Cursor& cursor) {
    PyObject* value = nullptr;
    switch (api.read_text(&cursor, &value)) {
        case native::kStepValue:
            return py::reinterpret_steal<py::object>(value);
        case native::kStepOther:
            return py::object();
        default:
            throw PythonError{};
    }
}

}  // namespace

TextCache::~TextCache() {
    for (std::uint16_t slot : filled_) Py_DECREF(slots_[slot]);
}

py::object TextCache::text(const native::NativeApi& api, const native::Cursor& cursor) {
    const char* bytes = nullptr;
    std::size_t size = 0;
    native::Step step = api.text_bytes(&cursor, &bytes, &size);
    if (step == native::kStepFailed) throw PythonError{};
    if (step != native::kStepValue || size == 0) return read_whole(api, cursor);
    if (!slots_) slots_.reset(new PyObject*[kSlots]());
    std::size_t index = slot_of(bytes, size);
    PyObject*& slot = slots_[index];
    if (slot && spells(slot, bytes, size)) return py::reinterpret_borrow<py::object>(slot);
    py::object text = read_whole(api, cursor);
    if (text && PyUnicode_CheckExact(text.ptr()) && PyUnicode_IS_ASCII(text.ptr()) && spells(text.ptr(), bytes, size)) {
        if (!slot) filled_.push_back(static_cast<std::uint16_t>(index));
        Py_XSETREF(slot, text.inc_ref().ptr());
    }
    return text;
}

}  // namespace velvane::pellinor
