#include "libvellimage/metadata.h"

#include "base/instring.h"
#include "base/xception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Vell {

namespace {

char const* const UNIT = "libvellimage/metadata";
char const* const MAGIC = "VELLMETA1";
unsigned const MAGIC_LEN = 9;
char const* const FROM_STRING_SIGNATURE =
    "void Vell::ImageSpec::MetaData::from_string(const char *)";

// Signature texts of the templated operations, per value type.
struct Signatures {
    char const* new_info;
    char const* get;
    char const* set;
    char const* update;
};

#define VELL_META_SIGNATURES(T)                                                                    \
    {                                                                                              \
        "Vell::MetaInfo *Vell::(anonymous namespace)::new_meta_info(const char *, const T &) [T "  \
        "= " T "]",                                                                                \
            "int Vell::ImageSpec::MetaData::get_meta(const char *, const char *, T &) const [T "   \
            "= " T "]",                                                                            \
            "void Vell::ImageSpec::MetaData::set_meta(const char *, const char *, const T &) [T "  \
            "= " T "]",                                                                            \
            "s64 Vell::ImageSpec::MetaData::update_meta(const char *, const char *, const T &) "   \
            "[T = " T "]"                                                                          \
    }

template <class T> Signatures const& signatures();
template <> Signatures const& signatures<float>() {
    static Signatures const s = VELL_META_SIGNATURES("float");
    return s;
}
template <> Signatures const& signatures<String>() {
    static Signatures const s = VELL_META_SIGNATURES("String");
    return s;
}
template <> Signatures const& signatures<Matrix4<float>>() {
    static Signatures const s = VELL_META_SIGNATURES("Matrix4<float>");
    return s;
}

template <class T> MetaInfo* new_meta_info(char const* type, T const& value) {
    TypedInfo<T>* ret = new TypedInfo<T>(value);
    try {
        XASSERT(!strcmp(type, ret->type_str()), UNIT, signatures<T>().new_info, 101);
    } catch (...) {
        delete ret;
        throw;
    }
    return ret;
}

// Equal unless one is less than the other, so NaN matches anything.
bool loosely_equal(float a, float b) {
    return !(a < b) && !(b < a);
}

} // namespace

MetaInfo::~MetaInfo() = default;

template <> char const* TypedInfo<float>::type_str() const {
    return "float";
}
template <> int TypedInfo<float>::type() const {
    return META_FLOAT;
}
// Nine significant digits give back every float exactly.
template <> String TypedInfo<float>::stringify() const {
    return String::fmt("%.9g", value);
}

template <> char const* TypedInfo<String>::type_str() const {
    return "string";
}
template <> int TypedInfo<String>::type() const {
    return META_STRING;
}
// Bare text parses back as itself unless it has a blank, is empty or opens
// with a quote. Inside quotes, quote and backslash are escaped so that the
// parser gives back exactly the stored text.
template <> String TypedInfo<String>::stringify() const {
    char const* text = value;
    if (*text && *text != '"' && !strchr(text, ' '))
        return value;
    String quoted('"');
    for (; *text; ++text) {
        if (*text == '"' || *text == '\\')
            quoted += '\\';
        quoted += *text;
    }
    quoted += '"';
    return quoted;
}

template <> char const* TypedInfo<Matrix4<float>>::type_str() const {
    return "m44f";
}
template <> int TypedInfo<Matrix4<float>>::type() const {
    return META_M44F;
}
template <> String TypedInfo<Matrix4<float>>::stringify() const {
    Matrix4<float> const& m = value;
    return String::fmt("\"%.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e %.9e "
                       "%.9e %.9e\"",
                       m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8], m[9], m[10], m[11],
                       m[12], m[13], m[14], m[15]);
}

bool operator==(MetaInfo const& a, MetaInfo const& b) {
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case META_FLOAT:
        return loosely_equal(static_cast<TypedInfo<float> const&>(a).value,
                             static_cast<TypedInfo<float> const&>(b).value);
    case META_STRING:
        return static_cast<TypedInfo<String> const&>(a).value ==
               static_cast<TypedInfo<String> const&>(b).value;
    case META_M44F: {
        Matrix4<float> const& ma = static_cast<TypedInfo<Matrix4<float>> const&>(a).value;
        Matrix4<float> const& mb = static_cast<TypedInfo<Matrix4<float>> const&>(b).value;
        for (int i = 0; i < 16; ++i) {
            if (!loosely_equal(ma[i], mb[i]))
                return false;
        }
        return true;
    }
    default:
        throw StrXception(UNIT,
                          "bool Vell::operator==(const Vell::MetaInfo &, const Vell::MetaInfo &)",
                          94, "unhandled type '%s'", a.type_str());
    }
}

MetaInfoRef& MetaInfoRef::operator=(MetaInfoRef const& other) {
    MetaInfo* copy = other.info->clone();
    delete info;
    info = copy;
    return *this;
}

bool operator==(MetaInfoRef const& a, MetaInfoRef const& b) {
    return *a.info == *b.info;
}

ImageSpec::MetaVisitor::~MetaVisitor() = default;

template <class T>
int ImageSpec::MetaData::get_meta(char const* type, char const* tag, T& out) const {
    TempInString key{String(tag)};
    MetaInfoRef const* ref = key.is_temporary() ? nullptr : lookup(key.get());
    if (!ref)
        return 1;
    if (strcmp(ref->info->type_str(), type)) {
        Xception::warning(signatures<T>().get, "metadata type mismatch; wanted %s got %s", type,
                          ref->info->type_str());
        return 2;
    }
    out = static_cast<TypedInfo<T> const*>(ref->info)->value;
    return 0;
}

template <class T>
void ImageSpec::MetaData::set_meta(char const* type, char const* tag, T const& value) {
    InString* key = InString::intern(tag);
    MetaInfoRef* ref = lookup(key);
    if (!ref) {
        MetaInfoRef holder(new_meta_info(type, value));
        insert(key, holder);
        return;
    }
    char const* set = signatures<T>().set;
    if (strcmp(ref->info->type_str(), type))
        throw StrXception(UNIT, set, 160,
                          "metadata tag '%s' already present but with type '%s' not '%s'", tag,
                          ref->info->type_str(), type);
    if (ref->info->write_marker)
        throw StrXception(UNIT, set, 164,
                          "no updates allowed after writing to file, use update_meta");
    static_cast<TypedInfo<T>*>(ref->info)->value = value;
}

template <class T>
s64 ImageSpec::MetaData::update_meta(char const* type, char const* tag, T const& value) {
    char const* update = signatures<T>().update;
    MetaInfoRef* ref = lookup(InString::intern(tag));
    if (!ref)
        throw StrXception(UNIT, update, 211, "metadata tag '%s' does not exist", tag);
    if (!ref->info->write_marker)
        throw StrXception(UNIT, update, 214, "metadata tag '%s' was never written to file", tag);
    if (strcmp(ref->info->type_str(), type))
        throw StrXception(UNIT, update, 218,
                          "metadata tag '%s' already present but with type '%s' not '%s'", tag,
                          ref->info->type_str(), type);
    static_cast<TypedInfo<T>*>(ref->info)->value = value;
    return ref->info->write_marker;
}

template int ImageSpec::MetaData::get_meta(char const*, char const*, float&) const;
template int ImageSpec::MetaData::get_meta(char const*, char const*, String&) const;
template void ImageSpec::MetaData::set_meta(char const*, char const*, float const&);
template void ImageSpec::MetaData::set_meta(char const*, char const*, String const&);
template void ImageSpec::MetaData::set_meta(char const*, char const*, Matrix4<float> const&);
template s64 ImageSpec::MetaData::update_meta(char const*, char const*, float const&);

void ImageSpec::MetaData::for_each_meta(MetaVisitor& visitor) const {
    struct Dispatch : ForEachFunc {
        explicit Dispatch(MetaVisitor& visitor) : visitor(visitor) {}
        using ForEachFunc::operator();
        int operator()(Entry* e) override {
            MetaInfo* info = e->value.info;
            char const* tag = e->typed_key()->text;
            switch (info->type()) {
            case META_FLOAT:
                visitor.visit_float(info->type_str(), tag,
                                    &static_cast<TypedInfo<float>*>(info)->value,
                                    &info->write_marker);
                break;
            case META_STRING:
                visitor.visit_string(info->type_str(), tag,
                                     &static_cast<TypedInfo<String>*>(info)->value,
                                     &info->write_marker);
                break;
            case META_M44F:
                visitor.visit_m44f(info->type_str(), tag,
                                   &static_cast<TypedInfo<Matrix4<float>>*>(info)->value,
                                   &info->write_marker);
                break;
            default:
                throw StrXception(
                    UNIT,
                    "void Vell::ImageSpec::MetaData::for_each_meta(Vell::ImageSpec::MetaVisitor &) "
                    "const",
                    242, "unhandled type '%s'", info->type_str());
            }
            return 0;
        }
        MetaVisitor& visitor;
    } dispatch(visitor);
    for_each_const(dispatch);
}

String ImageSpec::MetaData::stringify() const {
    struct Writer : ForEachFunc {
        using ForEachFunc::operator();
        int operator()(Entry* e) override {
            char const* tag = e->typed_key()->text;
            if (strpbrk(tag, " ="))
                throw StrXception(UNIT, "String Vell::ImageSpec::MetaData::stringify() const", 265,
                                  "can't handle quoting yet");
            text += String::fmt(" %s:%s=", e->value.info->type_str(), tag);
            text += e->value.info->stringify();
            return 0;
        }
        String text{MAGIC};
    } writer;
    for_each_const(writer);
    return writer.text;
}

bool ImageSpec::MetaData::string_valid(char const* text) {
    return !strncmp(text, MAGIC, MAGIC_LEN);
}

void ImageSpec::MetaData::from_string(char const* text) {
    if (!string_valid(text))
        throw StrXception(UNIT, FROM_STRING_SIGNATURE, 298, "invalid metadata string");
    char const* p = text + MAGIC_LEN;
    while (*p) {
        XASSERT(*p == ' ', UNIT, FROM_STRING_SIGNATURE, 305);
        ++p;
        char const* start = p;
        while (*p && *p != ':')
            ++p;
        XASSERT(*p == ':', UNIT, FROM_STRING_SIGNATURE, 313);
        String type(start, static_cast<unsigned>(p - start));
        start = ++p;
        while (*p && *p != '=')
            ++p;
        if (!*p) {
            Xception::warning(FROM_STRING_SIGNATURE, "image metadata appears to be truncated");
            return;
        }
        String tag(start, static_cast<unsigned>(p - start));
        // The form cannot write such a tag back.
        if (strchr(tag, ' '))
            throw StrXception(UNIT, FROM_STRING_SIGNATURE, 318, "metadata tag '%s' holds a blank",
                              static_cast<char const*>(tag));
        ++p;
        String value;
        if (*p == '"') {
            for (++p; *p != '"'; ++p) {
                if (*p == '\\' && !*++p)
                    throw StrXception(UNIT, FROM_STRING_SIGNATURE, 336,
                                      "unterminated \\ in metadata %s",
                                      static_cast<char const*>(tag));
                if (!*p)
                    throw StrXception(UNIT, FROM_STRING_SIGNATURE, 341,
                                      "unterminated quoted string in metadata %s",
                                      static_cast<char const*>(tag));
                value += *p;
            }
            ++p;
        } else {
            if (!*p)
                throw StrXception(UNIT, FROM_STRING_SIGNATURE, 329, "metadata %s is missing value",
                                  static_cast<char const*>(tag));
            start = p;
            while (*p && *p != ' ')
                ++p;
            value = String(start, static_cast<unsigned>(p - start));
        }
        if (type == "float") {
            set_meta<float>("float", tag, static_cast<float>(value.atof()));
        } else if (type == "string") {
            set_meta<String>("string", tag, value);
        } else if (type == "m44f") {
            Matrix4<float> m;
            float* e = m.e;
            int got = sscanf(value, "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f", &e[0], &e[1],
                             &e[2], &e[3], &e[4], &e[5], &e[6], &e[7], &e[8], &e[9], &e[10], &e[11],
                             &e[12], &e[13], &e[14], &e[15]);
            if (got < 16)
                throw StrXception(UNIT, FROM_STRING_SIGNATURE, 364,
                                  "error reading m44f metadata '%s'",
                                  static_cast<char const*>(tag));
            set_meta<Matrix4<float>>("m44f", tag, m);
        } else {
            throw StrXception(UNIT, FROM_STRING_SIGNATURE, 367, "unhandled type '%s'",
                              static_cast<char const*>(type));
        }
    }
}

bool operator==(ImageSpec::MetaData const& a, ImageSpec::MetaData const& b) {
    return a.contained_in(b);
}

template <class T> int ImageSpec::get_meta(char const* type, char const* tag, T& out) const {
    return meta ? meta->get_meta(type, tag, out) : 1;
}

template <class T> void ImageSpec::set_meta(char const* type, char const* tag, T const& value) {
    if (!meta)
        meta = new MetaData;
    meta->set_meta(type, tag, value);
}

template int ImageSpec::get_meta(char const*, char const*, float&) const;
template int ImageSpec::get_meta(char const*, char const*, String&) const;
template void ImageSpec::set_meta(char const*, char const*, float const&);
template void ImageSpec::set_meta(char const*, char const*, String const&);
template void ImageSpec::set_meta(char const*, char const*, Matrix4<float> const&);

} // namespace Vell
