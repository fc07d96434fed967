// Reads a picture file back through the Windows Imaging Component, as another
// program would open it. COM must be initialised on the calling thread.
#pragma once

#include <string>

#include "support/picture.h"

// The first frame as 0x00RRGGBB pixels; an empty picture when unreadable.
Picture ReadPictureFile(const std::wstring& path);
