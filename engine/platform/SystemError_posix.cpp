#include "engine/platform/SystemError.h"

#include <cerrno>

void clearSystemError()
{
    errno = 0;
}

int lastSystemError()
{
    return errno;
}
