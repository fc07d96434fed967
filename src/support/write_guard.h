// Held while a file the user keeps is being written, so that an interrupt
// (Ctrl+C in the console companion) can wait for the write to finish instead
// of leaving half a file behind.
#pragma once

#include <mutex>

std::recursive_mutex& FileWriteMutex();
