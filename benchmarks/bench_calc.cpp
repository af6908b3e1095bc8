// Calculator lines per second: TvCalc beside a general expression parser reading and evaluating the
// same generated lines, one line at a time.
#include "indicator_controls/Mystd.h"
#include "indicator_controls/tests/support/CalcLines.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

namespace {

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = GenerateCalcLines(99, 1000);
    return lines;
}

void BM_TvCalc(benchmark::State& state) {
    TvCalc calc;
    for (auto _ : state) {
        for (const std::string& line : Lines()) {
            calc.SetCalcLine(line);
            benchmark::DoNotOptimize(calc.NumberNum());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(Lines().size()));
}
BENCHMARK(BM_TvCalc);

void BM_OtherParser(benchmark::State& state) {
    mu::Parser parser;
    for (auto _ : state) {
        for (const std::string& line : Lines()) {
            parser.SetExpr(line);
            benchmark::DoNotOptimize(parser.Eval());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(Lines().size()));
}
BENCHMARK(BM_OtherParser);

} // namespace

BENCHMARK_MAIN();
