#include "platform/unique_fd.h"

#include <unistd.h>

namespace lopewell {

void UniqueFd::reset(int fd)
{
    if (fd == m_fd)
        return;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

}  // namespace lopewell
