#include "support/picture.h"

#include <wincodec.h>

#include <cstdio>

#include "support/com.h"
#include "support/replacing_file.h"

namespace {

// Rows of 24-bit BGR, each padded to four bytes as WIC's stride wants.
std::vector<BYTE> BgrRows(const Picture& picture, UINT stride) {
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t rgb = picture.At(x, y);
            *out++ = static_cast<BYTE>(rgb);
            *out++ = static_cast<BYTE>(rgb >> 8);
            *out++ = static_cast<BYTE>(rgb >> 16);
        }
    }
    return rows;
}

void Encode(const std::wstring& path, const Picture& picture) {
    const ComInit com;  // whichever thread saves, the window's or a worker
    ComPtr<IWICImagingFactory> factory;
    ThrowIfFailed(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     factory.put_void()));
    ComPtr<IWICStream> stream;
    ThrowIfFailed(factory->CreateStream(stream.put()));
    ThrowIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    ThrowIfFailed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
    ThrowIfFailed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    ThrowIfFailed(encoder->CreateNewFrame(frame.put(), nullptr));
    ThrowIfFailed(frame->Initialize(nullptr));
    ThrowIfFailed(frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    ThrowIfFailed(frame->SetPixelFormat(&format));
    // An encoder may answer with a format of its own; ours is the only one we write.
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) throw ComError(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    const UINT stride = (static_cast<UINT>(picture.width) * 3 + 3) & ~3u;
    std::vector<BYTE> rows = BgrRows(picture, stride);
    ThrowIfFailed(
        frame->WritePixels(static_cast<UINT>(picture.height), stride, static_cast<UINT>(rows.size()), rows.data()));
    ThrowIfFailed(frame->Commit());
    ThrowIfFailed(encoder->Commit());
}

// The system's text for the code, and the code itself for the ones it has none for.
std::string Describe(HRESULT hr) {
    char code[32];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    const std::string text = ComError(hr).Message();
    return text.empty() ? code : text + " (" + code + ")";
}

}  // namespace

bool WritePngFile(const std::wstring& path, const Picture& picture, std::string& error) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
        error = "empty picture";
        return false;
    }
    ReplacingFile file;
    if (!file.Begin(path)) {
        error = Describe(HRESULT_FROM_WIN32(file.LastError()));
        return false;
    }
    try {
        Encode(file.TempPath(), picture);  // the stream is closed before the file is moved
    } catch (const ComError& e) {
        error = Describe(e.Error());
        return false;
    }
    if (!file.Commit()) {
        error = Describe(HRESULT_FROM_WIN32(file.LastError()));
        return false;
    }
    return true;
}
