// A stream that asks for a value every `interval` on a clock until its consumer goes: the
// readouts' polling loops. `produce` returns a T, or a std::optional<T> of which only the values
// are yielded (a sampler that needs two readings before its first figure).
//
//   m_memoryTask = StreamTask<std::optional<MemoryStats>>(executor,
//       periodicStream<std::optional<MemoryStats>>(clock, 5s, [read] { return read(); }), apply);
#pragma once

#include <optional>
#include <type_traits>
#include <utility>

#include "core/concurrency/clock.h"
#include "core/concurrency/stream.h"

namespace lopewell {

enum class FirstValue {
    atOnce,         // produce, sleep, produce, ...
    afterInterval,  // sleep, produce, sleep, ...
};

template <typename T, typename Produce>
Stream<T> periodicStream(Clock& clock, Duration interval, Produce produce, FirstValue first = FirstValue::atOnce)
{
    using Result = std::invoke_result_t<Produce&>;
    static_assert(std::is_same_v<Result, T> || std::is_same_v<Result, std::optional<T>>, "produce returns a T or a std::optional<T>");
    return Stream<T>::start([&clock, interval, first, produce = std::move(produce)](StreamProducer<T>& out) mutable {
        if (first == FirstValue::afterInterval && !clock.sleepFor(interval, out.stopToken()))
            return;
        while (!out.isStopRequested()) {
            if constexpr (std::is_same_v<Result, T>) {
                out.yield(produce());
            } else if (std::optional<T> value = produce()) {
                out.yield(std::move(*value));
            }
            if (!clock.sleepFor(interval, out.stopToken()))
                return;
        }
    });
}

}  // namespace lopewell
