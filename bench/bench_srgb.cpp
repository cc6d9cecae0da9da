#include "LW/srgb.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

// The frame buffer's curves over lit pixels' values, as the write-back hands
// them over: a few hundred at a time, spread over the range from dark to
// full, nearly all of them taking the power rather than the straight part.
namespace {

std::size_t const COUNT = 768;

std::vector<float> spread_values() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::vector<float> values(COUNT);
    for (float& v : values) {
        v = value(random);
    }
    return values;
}

void run_curve(benchmark::State& state, void (*convert)(float*, std::size_t)) {
    std::vector<float> const source = spread_values();
    std::vector<float> values(COUNT);
    for (auto _ : state) {
        std::memcpy(values.data(), source.data(), COUNT * sizeof(float));
        convert(values.data(), COUNT);
        benchmark::DoNotOptimize(values.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(COUNT));
}

void BM_SrgbToLinear(benchmark::State& state) {
    run_curve(state, srgb_to_linear);
}

void BM_LinearToSrgb(benchmark::State& state) {
    run_curve(state, linear_to_srgb);
}

} // namespace

BENCHMARK(BM_SrgbToLinear);
BENCHMARK(BM_LinearToSrgb);
