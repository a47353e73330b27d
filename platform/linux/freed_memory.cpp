#include "platform/freed_memory.h"

#include <malloc.h>

namespace lopewell {

void returnFreedMemoryToSystem()
{
    ::malloc_trim(0);
}

}  // namespace lopewell
