#include "core/base/error_or.h"

#include <cstring>

namespace lopewell {

Error Error::fromErrno(int errnoValue, std::string context)
{
    // strerror_r's GNU form may or may not use the buffer; take whichever pointer it returns.
    char buffer[256];
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    return Error { errnoValue, std::move(context) + ": " + text };
}

}  // namespace lopewell
