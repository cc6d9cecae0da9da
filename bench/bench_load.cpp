#include "synthetic_sky.h"

#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <vector>

// Loading the deep database: by the plug-in's reader through the stand-in
// host's file service (reading, and indexing the sky a tier at a time as
// the stars come), against reading its bytes into memory with read()
// alone. Wall-clock time: the file service and the system do the reading.
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

// The reading alone, in the loader's reads, and the indexing alone.
void BM_ReadThroughHost(benchmark::State& state) {
    std::string const path = deep_sky_database();
    if (path.empty()) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    LWFileIOFuncs const* io = host_file_io();
    int const read_size = int(SkyIndex::TIER_STARS * sizeof(star));
    for (auto _ : state) {
        LWLoadState* load = io->openLoad(path.c_str(), LWIO_BINARY);
        StarBlock records;
        std::size_t bytes = 0;
        for (;;) {
            records.resize(bytes / sizeof(star) + SkyIndex::TIER_STARS);
            int const got = load->read(load->readData,
                                       reinterpret_cast<char*>(records.data()) + bytes, read_size);
            if (got <= 0) {
                break;
            }
            bytes += std::size_t(got);
        }
        io->closeLoad(load);
        benchmark::DoNotOptimize(records.data());
    }
}

void BM_IndexSky(benchmark::State& state) {
    std::string const path = deep_sky_database();
    if (path.empty()) {
        state.SkipWithError("the default star database is not built");
        return;
    }
    // The stars in the file's order.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    u32 const count = u32(std::size_t(in.tellg()) / sizeof(star));
    std::vector<star> file(count);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(file.data()), std::streamsize(count * sizeof(star)));
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
