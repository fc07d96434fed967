// A picture in memory and its PNG file, written through the Windows Imaging
// Component.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Top-down rows of pixels, each 0x00RRGGBB: the memory of a 32-bit DIB section.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Writes the picture as a 24-bit PNG file. The file is made beside the
// target and put in its place only when complete, so a failure leaves an
// existing file as it was. Any thread may call it: it initialises COM for
// itself where the thread has none.
// False with the reason in error.
bool WritePngFile(const std::wstring& path, const Picture& picture, std::string& error);
