#include <osapi/osapi-unix.h>

#include <glob.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

} // namespace

struct Glob::Record {
    size_t next;
    glob_t result;
    bool no_match;
};

Glob::Glob(char const* pattern) : record(new Record()) {
    int rc = glob(pattern, 0, nullptr, &record->result);
    if (rc == GLOB_NOMATCH) {
        record->no_match = true;
    } else if (rc != 0) {
        globfree(&record->result);
        throw StrXception(UNIT, "OSAPI::Glob::Glob(const char*)", 1045, "glob(%s): %d", pattern,
                          rc);
    }
}

Glob::~Glob() {
    globfree(&record->result);
}

char const* Glob::next() {
    if (record->no_match || record->next >= record->result.gl_pathc) {
        return nullptr;
    }
    return record->result.gl_pathv[record->next++];
}

} // namespace OSAPI
