#pragma once

#include "libvellimage/image.h"

#include "base/newmatrix.h"
#include "base/ptrmap.h"
#include "base/string.h"
#include "base/types.h"

namespace Vell {

// A typed metadata value. The write marker is 0 until the value has been
// written to a file; only then may update_meta change it.
class MetaInfo {
public:
    virtual char const* type_str() const = 0;
    virtual int type() const = 0;
    // The copy's write marker is 0.
    virtual MetaInfo* clone() const = 0;
    // The value as it appears after "=" in the text form.
    virtual String stringify() const = 0;
    virtual ~MetaInfo();

    s64 write_marker = 0;
};

enum MetaType { META_FLOAT = 0, META_STRING = 1, META_M44F = 2 };

template <class T> class TypedInfo : public MetaInfo {
public:
    explicit TypedInfo(T const& value) : value(value) {}
    char const* type_str() const override;
    int type() const override;
    MetaInfo* clone() const override { return new TypedInfo(value); }
    String stringify() const override;

    T value;
};

template <> char const* TypedInfo<float>::type_str() const;
template <> int TypedInfo<float>::type() const;
template <> String TypedInfo<float>::stringify() const;
template <> char const* TypedInfo<String>::type_str() const;
template <> int TypedInfo<String>::type() const;
template <> String TypedInfo<String>::stringify() const;
template <> char const* TypedInfo<Matrix4<float>>::type_str() const;
template <> int TypedInfo<Matrix4<float>>::type() const;
template <> String TypedInfo<Matrix4<float>>::stringify() const;

// Floats and matrix elements are equal when neither is less than the other,
// so a NaN equals anything.
bool operator==(MetaInfo const& a, MetaInfo const& b);

// Owns one value; copies clone it.
class MetaInfoRef {
public:
    explicit MetaInfoRef(MetaInfo* info) : info(info) {}
    MetaInfoRef(MetaInfoRef const& other) : info(other.info->clone()) {}
    MetaInfoRef& operator=(MetaInfoRef const& other);
    ~MetaInfoRef() { delete info; }

    MetaInfo* info;
};

bool operator==(MetaInfoRef const& a, MetaInfoRef const& b);

// Each operation receives the type name, the tag, the value and its marker.
class ImageSpec::MetaVisitor {
public:
    virtual void visit_float(char const* type, char const* tag, float* value, s64* marker) = 0;
    virtual void visit_string(char const* type, char const* tag, String* value, s64* marker) = 0;
    virtual void visit_m44f(char const* type, char const* tag, Matrix4<float>* value,
                            s64* marker) = 0;
    virtual ~MetaVisitor();
};

// Tags are interned; each occurs at most once. `type` arguments must be the
// type_str of T.
class ImageSpec::MetaData : public PtrMap<InString, MetaInfoRef> {
public:
    MetaData() : PtrMap(4) {}

    template <class T> int get_meta(char const* type, char const* tag, T& out) const;
    template <class T> void set_meta(char const* type, char const* tag, T const& value);
    // Changes a tag already written to a file; returns its write marker.
    template <class T> s64 update_meta(char const* type, char const* tag, T const& value);
    void for_each_meta(MetaVisitor& visitor) const;

    // One line: "VELLMETA1", then " type:tag=value" per tag.
    String stringify() const;
    static bool string_valid(char const* text);
    // Sets every tag of the text; tags set before a failure stay.
    void from_string(char const* text);
};

bool operator==(ImageSpec::MetaData const& a, ImageSpec::MetaData const& b);

} // namespace Vell
