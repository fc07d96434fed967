// The PNG writer on the threads the program saves from: the window's, which
// keeps no COM of its own, and one already in the multithreaded apartment.
#include "support/picture.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/com.h"
#include "testlib/picture_reader.h"
#include "testlib/temp_dir.h"

namespace {

Picture Stripes() {
    Picture picture;
    picture.width = 3;
    picture.height = 2;
    picture.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x5978AC};
    return picture;
}

TEST(PngFile, WritesFromAThreadWithoutComAndFromOneInTheMultithreadedApartment) {
    TempDir dir;
    const std::wstring plain = dir.File(std::wstring(L"グラフ表.png"));
    const std::wstring free = dir.File(std::wstring(L"グラフ予.png"));
    std::string plainError;
    bool plainWritten = false;
    std::thread([&] { plainWritten = WritePngFile(plain, Stripes(), plainError); }).join();
    EXPECT_TRUE(plainWritten) << plainError;

    // The writer's own COM must leave the thread's as it found it.
    std::string freeError;
    bool freeWritten = false;
    HRESULT afterwards = E_FAIL;
    std::thread([&] {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        freeWritten = WritePngFile(free, Stripes(), freeError);
        afterwards = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_FALSE: still initialised
        if (SUCCEEDED(afterwards)) ::CoUninitialize();
        ::CoUninitialize();
    }).join();
    EXPECT_TRUE(freeWritten) << freeError;
    EXPECT_EQ(afterwards, S_FALSE);

    const ComInit com;
    for (const std::wstring& path : {plain, free}) {
        const Picture read = ReadPictureFile(path);
        EXPECT_EQ(read.width, 3);
        EXPECT_EQ(read.pixels, Stripes().pixels);
    }
}

}  // namespace
