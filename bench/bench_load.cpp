#include "synthetic_sky.h"

#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

// Loading the deep database: by the plug-in's reader through the stand-in
// host's file service (reading, then indexing the sky), against reading its
// bytes into memory with read() alone. Wall-clock time: the file service
// and the system do the reading.
namespace {

void BM_LoadThroughHost(benchmark::State& state) {
    std::string const path = deep_sky_database();
    if (path.empty()) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    orrelux_ini.file_io = host_file_io();
    for (auto _ : state) {
        LWStarFile db(path.c_str());
        benchmark::DoNotOptimize(db.count);
    }
    orrelux_ini.file_io = nullptr;
}

// The reading alone, and the indexing alone.
void BM_ReadThroughHost(benchmark::State& state) {
    std::string const path = deep_sky_database();
    if (path.empty()) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    orrelux_ini.file_io = host_file_io();
    for (auto _ : state) {
        StarBlock records;
        benchmark::DoNotOptimize(load_star_records(path.c_str(), records));
    }
    orrelux_ini.file_io = nullptr;
}

void BM_IndexSky(benchmark::State& state) {
    std::string const path = deep_sky_database();
    if (path.empty()) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    orrelux_ini.file_io = host_file_io();
    StarBlock file;
    u32 const count = load_star_records(path.c_str(), file);
    orrelux_ini.file_io = nullptr;
    StarBlock records;
    records.resize(count);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(static_cast<void*>(records.data()), file.data(), count * sizeof(star));
        state.ResumeTiming();
        SkyIndex index(records.data() + 1, count - 1);
        benchmark::DoNotOptimize(index.lum_high());
    }
}

void BM_PlainRead(benchmark::State& state) {
    std::string const path = deep_sky_database();
    int const fd = path.empty() ? -1 : open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        state.SkipWithError("no deep database to read");
        return;
    }
    off_t const size = lseek(fd, 0, SEEK_END);
    close(fd);
    for (auto _ : state) {
        int const in = open(path.c_str(), O_RDONLY);
        std::unique_ptr<char, decltype(&std::free)> bytes(
            static_cast<char*>(std::malloc(std::size_t(size))), &std::free);
        off_t got = 0;
        for (ssize_t n; got < size && (n = read(in, bytes.get() + got, size_t(size - got))) > 0;) {
            got += n;
        }
        close(in);
        benchmark::DoNotOptimize(bytes.get());
    }
}

BENCHMARK(BM_LoadThroughHost)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadThroughHost)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IndexSky)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
