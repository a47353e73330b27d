// One recorded benchmark result, and which benchmark it was.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/base/date.h"
#include "core/base/raw_value.h"

namespace lopewell {

enum class BenchmarkKind { cpuSingle, cpuMulti, gpuFMA };

template <>
struct RawValues<BenchmarkKind> {
    static constexpr std::array entries {
        std::pair { BenchmarkKind::cpuSingle, std::string_view("cpu.single") },
        std::pair { BenchmarkKind::cpuMulti, std::string_view("cpu.multi") },
        std::pair { BenchmarkKind::gpuFMA, std::string_view("gpu.fma") },
    };
};

// As its raw value; an unknown value throws nlohmann's type_error, to be caught where JSON is read.
LOPEWELL_RAW_VALUE_JSON(BenchmarkKind)

struct BenchmarkRun {
    BenchmarkKind kind = BenchmarkKind::cpuSingle;
    Date timestamp;    // when the run finished
    double score = 0;  // higher is better
    double elapsed = 0;
    double auxiliary = 0;    // a second measured value of the run
    int64_t thermalRaw = 0;  // 0 nominal, 1 fair, 2 serious, 3 critical
    std::string deviceIdentifier;

    // Recorded while the machine was not throttled.
    bool isCool() const { return thermalRaw < 2; }

    bool operator==(const BenchmarkRun&) const = default;
};

}  // namespace lopewell

template <>
struct std::hash<lopewell::BenchmarkRun> {
    size_t operator()(const lopewell::BenchmarkRun& run) const noexcept;
};
