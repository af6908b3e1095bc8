// The console table, and each run's items per second kept by name, so that a program can print its
// speeds as ratios to a reference run once the table is done.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class TSpeedReporter : public benchmark::ConsoleReporter {
public:
    using TSpeeds = std::map<std::string, double>;
    // Summary gets the speeds by run name after the table.
    explicit TSpeedReporter(std::function<void(TSpeeds&)> summary) : summary_(std::move(summary)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) speed_[r.run_name.str()] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        summary_(speed_);
    }

private:
    std::function<void(TSpeeds&)> summary_;
    TSpeeds speed_;
};
