#include "support/write_guard.h"

std::recursive_mutex& FileWriteMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}
