#include "platform/UiThread.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void UiThreadRuleBroken(const char* function, const char* file, int line)
{
    std::fprintf(stderr, "%s (%s:%d) must run on the user-interface thread\n", function, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform
