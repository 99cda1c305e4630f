// Runs every benchmark and prints the table: each operation beside its QtSql baseline,
// and their ratio (below 1: the component is faster than the baseline).
//
// The benchmarks run in rounds (--orbenta_rounds=N, 5 unless given), each running every
// benchmark once in the order they were registered, a row's component right before its
// baseline: both sides of a round see the same machine. A row's ratio is the median of
// its rounds' ratios, and its times the medians of each side.
//
// Benchmarks are named "<row>/component" and "<row>/baseline". A row may also have a
// "<row>/fixed" side: the part of the component's time that does not depend on the
// operation measured by the baseline (a window filling its controls, say). Its ratio is
// then (component - fixed) / baseline, and the fixed time is printed beside it.
#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace bench {
void registerDataLayer();
void registerAgente();
void registerGuardar();
void registerAcumular();
void registerComision();
void registerAgentWindow();
void registerComisionWindow();
void registerInforme();
void registerResumen();
} // namespace bench

namespace {

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs); // progress on the console
        for (const Run& r : runs) {
            if (r.error_occurred || r.run_type != Run::RT_Iteration)
                continue;
            const std::string name = r.run_name.function_name;
            const auto slash = name.rfind('/');
            if (slash == std::string::npos)
                continue;
            const std::string row = name.substr(0, slash);
            const std::string side = name.substr(slash + 1);
            if (!rows_.count(row))
                order_.push_back(row);
            const double us = r.GetAdjustedRealTime() *
                              benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                              benchmark::GetTimeUnitMultiplier(r.time_unit);
            (side == "baseline" ? rows_[row].baseline
             : side == "fixed"  ? rows_[row].fixed
                                : rows_[row].component)
                .push_back(us);
        }
    }

    void printTable() {
        std::printf("\n%-72s %14s %14s %7s %10s\n", "operation", "component us", "baseline us",
                    "ratio", "fixed us");
        for (const std::string& row : order_) {
            const Row& r = rows_[row];
            std::vector<double> ratios;
            for (size_t i = 0; i < std::min(r.component.size(), r.baseline.size()); ++i)
                if (r.baseline[i] > 0)
                    ratios.push_back((r.component[i] - (i < r.fixed.size() ? r.fixed[i] : 0.0)) /
                                     r.baseline[i]);
            std::printf("%-72s %14.2f %14.2f %7.2f", row.c_str(), median(r.component),
                        median(r.baseline), median(ratios));
            if (!r.fixed.empty())
                std::printf(" %10.2f", median(r.fixed));
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    // The middle value (the mean of the two middle ones for an even count); 0 for none.
    static double median(std::vector<double> v) {
        if (v.empty())
            return 0.0;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    struct Row {
        std::vector<double> component, baseline, fixed; // one per round
    };
    std::map<std::string, Row> rows_;
    std::vector<std::string> order_;
};

} // namespace

int main(int argc, char** argv) {
    // The windows' benchmarks draw nothing: the offscreen platform unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::registerDataLayer();
    bench::registerAgente();
    bench::registerGuardar();
    bench::registerAcumular();
    bench::registerComision();
    bench::registerAgentWindow();
    bench::registerComisionWindow();
    bench::registerInforme();
    bench::registerResumen();
    int rounds = 5;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--orbenta_rounds=", 0) == 0)
            rounds = std::max(1, std::atoi(arg.c_str() + 17));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    for (int round = 0; round < rounds; ++round)
        benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTable();
    benchmark::Shutdown();
    bench::releaseSharedDatabases();
    return 0;
}
