// The main executor of the tray application: the Qt event loop. Jobs posted from any thread
// run on the GUI thread, in order.
#pragma once

#include <QObject>

#include "core/concurrency/executor.h"

namespace lopewell {

class QtExecutor final : public Executor {
public:
    QtExecutor();

    void post(Job job) override;
    bool isCurrent() const override;

private:
    QObject m_context;  // lives on the GUI thread; queued calls run there
};

}  // namespace lopewell
