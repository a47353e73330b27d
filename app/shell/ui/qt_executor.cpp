#include "app/shell/ui/qt_executor.h"

#include <QThread>

namespace lopewell {

QtExecutor::QtExecutor() = default;

void QtExecutor::post(Job job)
{
    QMetaObject::invokeMethod(&m_context, std::move(job), Qt::QueuedConnection);
}

bool QtExecutor::isCurrent() const
{
    return QThread::currentThread() == m_context.thread();
}

}  // namespace lopewell
