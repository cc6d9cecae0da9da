#include <osapi/osapi-unix.h>

#include <cstdio>

namespace OSAPI {

namespace {

void print_indent(int levels) {
    for (int i = 0; i < levels; ++i) {
        fputc('\t', stdout);
    }
}

} // namespace

int Profiler::indent = 0;

Profiler::Profiler(char const* name) : name(name) {
    print_indent(indent);
    printf("PROFILE: %s\n", name);
    ++indent;
    gettimeofday(&start, nullptr);
    end = start;
}

Profiler::~Profiler() {
    gettimeofday(&end, nullptr);
    --indent;
    print_indent(indent);
    double ms = (end.tv_sec - start.tv_sec) * 1000.0 + (end.tv_usec - start.tv_usec) / 1000.0;
    printf("%s = %.4f ms\n", static_cast<char const*>(name), ms);
}

} // namespace OSAPI
