// Opening projects whose object items lack ids, repeat ids or carry distinct
// ids: the id repair and every other per-object step of the open path must
// grow linearly with the number of items. The bare "{}" project is what a
// small hostile file looks like: 200000 items in about 600 KB.
#include <benchmark/benchmark.h>

#include <string>

#include "persistence/persistence.h"

namespace {

enum class Ids { None, Duplicate, Distinct };

std::string projectText(int count, Ids ids) {
  std::string text = "{\"app\":\"Veltrask Studio\",\"scene\":{},\"objects\":[";
  for (int i = 0; i < count; ++i) {
    if (i) text += ',';
    switch (ids) {
      case Ids::None:
        text += "{}";
        break;
      case Ids::Duplicate:
        text += "{\"id\":\"obj-" + std::to_string(i % 7 + 1) + "\",\"parentId\":\"obj-" + std::to_string(i % 5 + 1) + "\"}";
        break;
      case Ids::Distinct:
        text += "{\"id\":\"obj-" + std::to_string(i + 1) + "\",\"parentId\":\"obj-" + std::to_string(i / 2 + 1) + "\"}";
        break;
    }
  }
  text += "]}";
  return text;
}

void openProject(benchmark::State& state, Ids ids) {
  const std::string text = projectText(static_cast<int>(state.range(0)), ids);
  for (auto _ : state) {
    vk::ProjectLoadResult result = vk::deserializeProject(text);
    benchmark::DoNotOptimize(result.usable);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
  state.SetComplexityN(state.range(0));
}

void BM_OpenWithoutIds(benchmark::State& state) { openProject(state, Ids::None); }
void BM_OpenDuplicateIds(benchmark::State& state) { openProject(state, Ids::Duplicate); }
void BM_OpenDistinctIds(benchmark::State& state) { openProject(state, Ids::Distinct); }

BENCHMARK(BM_OpenWithoutIds)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenDuplicateIds)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenDistinctIds)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();
// The 600 KB file of 200000 empty items.
BENCHMARK(BM_OpenWithoutIds)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
