// The text of one number as the CSV and JSON outputs write it: the shortest decimal that reads back
// as the same double, by the output's own writer and by std::to_chars (the same bytes), over the
// kinds of numbers a matrix of a rig holds (cosines, scales, translations in the hundreds).
#include <benchmark/benchmark.h>

#include <charconv>
#include <random>
#include <vector>

#include "BaseCore/DecimalText.h"

namespace {

std::vector<double> matrixNumbers() {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_real_distribution<double> far(-500, 500);
  std::vector<double> values;
  for (int i = 0; i < 4096; ++i)
    values.push_back(i % 4 == 3 ? far(random) : unit(random) * (i % 3 ? 1.0 : 2.5));
  return values;
}

void BM_DecimalTextShortest(benchmark::State& state) {
  const std::vector<double> values = matrixNumbers();
  char text[DecimalText::kRoom];
  for (auto _ : state)
    for (double v : values)
      benchmark::DoNotOptimize(DecimalText::shortest(text, v));
  state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_DecimalTextShortest);

void BM_StdToChars(benchmark::State& state) {
  const std::vector<double> values = matrixNumbers();
  char text[DecimalText::kRoom];
  for (auto _ : state)
    for (double v : values)
      benchmark::DoNotOptimize(std::to_chars(text, text + sizeof text, v).ptr);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(values.size()));
}
BENCHMARK(BM_StdToChars);

} // namespace

BENCHMARK_MAIN();
