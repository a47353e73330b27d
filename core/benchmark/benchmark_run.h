// One recorded benchmark result, and which benchmark it was.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "core/base/date.h"

namespace lopewell {

enum class BenchmarkKind { cpuSingle, cpuMulti, gpuFMA };

inline constexpr std::array<BenchmarkKind, 3> allBenchmarkKinds { BenchmarkKind::cpuSingle, BenchmarkKind::cpuMulti, BenchmarkKind::gpuFMA };

std::string_view toString(BenchmarkKind kind);  // "cpu.single", "cpu.multi", "gpu.fma"
std::optional<BenchmarkKind> benchmarkKindFromString(std::string_view rawValue);

// As its raw value; an unknown value throws nlohmann's type_error, to be caught where JSON is read.
void to_json(nlohmann::json& json, BenchmarkKind kind);
void from_json(const nlohmann::json& json, BenchmarkKind& kind);

struct BenchmarkRun {
    BenchmarkKind kind = BenchmarkKind::cpuSingle;
    Date timestamp;  // when the run finished
    double score = 0;  // higher is better
    double elapsed = 0;
    double auxiliary = 0;  // a second measured value of the run
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
