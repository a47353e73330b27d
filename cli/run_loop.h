// Drives a view model from a command: runs the loop of this thread until the model says it is
// done. Changes the model publishes while `start` runs count like later ones.
//
//   runUntil(loop, model, [&] { model.refresh(); }, [&] { return !model.isScanning(); });
#pragma once

#include <functional>

#include "core/concurrency/executor.h"

namespace lopewell::cli {

// `onChange` sees every change before `isDone` is asked.
template <typename ViewModel>
void runUntil(RunLoopExecutor& loop, ViewModel& model, const std::function<void()>& start, const std::function<bool()>& isDone,
    const std::function<void()>& onChange = {})
{
    bool stopped = false;
    const auto stopWhenDone = [&] {
        if (!stopped && isDone()) {
            stopped = true;
            loop.stop();
        }
    };
    auto subscription = model.observers().add([&] {
        if (onChange)
            onChange();
        stopWhenDone();
    });
    loop.post([&] {
        start();
        stopWhenDone();
    });
    loop.run();
}

}  // namespace lopewell::cli
