#include "base/array.h"

#include "base/xception.h"

#include <cstdlib>
#include <cstring>

namespace {
char const* const REALLOC_SIGNATURE = "void ByteArray::realloc(uword)";
}

ByteArray::ByteArray(ByteArray const& other) : data_(nullptr), capacity_(0), size_(0) {
    if (other.size_ == 0)
        return;
    data_ = static_cast<char*>(malloc(other.size_));
    if (!data_)
        throw StrXception(
            "base/array", REALLOC_SIGNATURE, 35,
            "out of memory (current size %llu bytes, failed allocation of %llu bytes)", 0ull,
            static_cast<unsigned long long>(other.size_));
    memcpy(data_, other.data_, other.size_);
    capacity_ = size_ = other.size_;
}

ByteArray::~ByteArray() {
    free(data_);
}

void ByteArray::realloc(uword n) {
    if (n == capacity_) {
        Xception::warning(REALLOC_SIGNATURE, "spurious realloc");
        return;
    }
    if (n == 0) {
        free(data_);
        data_ = nullptr;
        capacity_ = 0;
        return;
    }
    char* block = static_cast<char*>(::realloc(data_, n));
    if (!block)
        throw StrXception(
            "base/array", REALLOC_SIGNATURE, 35,
            "out of memory (current size %llu bytes, failed allocation of %llu bytes)",
            static_cast<unsigned long long>(capacity_), static_cast<unsigned long long>(n));
    data_ = block;
    capacity_ = n;
}

void ByteArray::grow_to_ool(uword n) {
    uword cap = capacity_;
    if (cap == 0) {
        cap = n > 32 ? n : 32;
    } else {
        while (cap < n)
            cap *= 2;
    }
    realloc(cap);
}

void ByteArray::trim() {
    if (size_ < capacity_)
        realloc(size_);
}
