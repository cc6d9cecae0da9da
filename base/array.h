#pragma once

#include "base/types.h"

#include <new>

// An untyped growable byte buffer. The block is exactly capacity bytes long
// and holds size bytes in use.
class ByteArray {
public:
    ByteArray() : data_(nullptr), capacity_(0), size_(0) {}
    ByteArray(ByteArray const& other);
    ByteArray& operator=(ByteArray const&) = delete;
    ~ByteArray();

    void realloc(uword n);
    void grow_to_ool(uword n);
    void trim();

    char* data() const { return data_; }
    uword capacity() const { return capacity_; }
    uword size() const { return size_; }

protected:
    char* data_;
    uword capacity_;
    uword size_;
};

// A ByteArray used as a packed sequence of T. Elements are constructed in
// place and destroyed from the last to the first.
template <class T> class Array : private ByteArray {
public:
    Array() = default;
    Array(Array const&) = delete;
    Array& operator=(Array const&) = delete;
    ~Array() { clear(); }

    unsigned len() const { return static_cast<unsigned>(size_ / sizeof(T)); }
    T& operator[](unsigned i) { return reinterpret_cast<T*>(data_)[i]; }
    T const& operator[](unsigned i) const { return reinterpret_cast<T const*>(data_)[i]; }
    T* begin() { return reinterpret_cast<T*>(data_); }
    T* end() { return begin() + len(); }
    T const* begin() const { return reinterpret_cast<T const*>(data_); }
    T const* end() const { return begin() + len(); }

    void append(T const& value) {
        if (capacity_ < size_ + sizeof(T)) {
            // The value may live inside this array, which growing moves.
            T copy(value);
            grow_to_ool(size_ + sizeof(T));
            size_ += sizeof(T);
            new (data_ + size_ - sizeof(T)) T(copy);
            return;
        }
        size_ += sizeof(T);
        new (data_ + size_ - sizeof(T)) T(value);
    }

    void clear() {
        while (size_ >= sizeof(T)) {
            size_ -= sizeof(T);
            reinterpret_cast<T*>(data_ + size_)->~T();
        }
        size_ = 0;
    }

    using ByteArray::capacity;
    using ByteArray::trim;
};
