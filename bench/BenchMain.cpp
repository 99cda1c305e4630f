// Runs every benchmark and prints the table: each operation beside its QtSql baseline,
// and their ratio (below 1: the component is faster than the baseline).
//
// Benchmarks are named "<row>/component" and "<row>/baseline". A row may also have a
// "<row>/fixed" side: the part of the component's time that does not depend on the
// operation measured by the baseline (a window filling its controls, say). Its ratio is
// then (component - fixed) / baseline, and the fixed time is printed beside it.
#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
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
        // Progress on the console: one line per benchmark (its median when repeated).
        std::vector<Run> shown;
        for (const Run& r : runs)
            if (r.repetitions <= 1
                    ? r.run_type == Run::RT_Iteration
                    : r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                shown.push_back(r);
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
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
            // With repetitions, the fastest run of each side stands: on a shared machine
            // the slower ones measure the neighbours.
            double& kept = side == "baseline" ? rows_[row].baseline
                           : side == "fixed"  ? rows_[row].fixed
                                              : rows_[row].component;
            kept = kept > 0 ? std::min(kept, us) : us;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-72s %14s %14s %7s %10s\n", "operation", "component us", "baseline us",
                    "ratio", "fixed us");
        for (const std::string& row : order_) {
            const Row& r = rows_[row];
            const double ratio = r.baseline > 0 ? (r.component - r.fixed) / r.baseline : 0.0;
            std::printf("%-72s %14.2f %14.2f %7.2f", row.c_str(), r.component, r.baseline, ratio);
            if (r.fixed > 0)
                std::printf(" %10.2f", r.fixed);
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    struct Row {
        double component = 0;
        double baseline = 0;
        double fixed = 0;
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
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bench::releaseSharedDatabases();
    return 0;
}
