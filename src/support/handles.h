// Owners for kernel handles and system memory: each gives its handle back
// when it goes out of scope, on every path. Copying is forbidden, moving hands
// the handle over. GDI, WinINet and shell owners have headers of their own, so
// that owning a file does not bring in the window or network headers.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return h_; }
    explicit operator bool() const { return Traits::IsValid(h_); }
    Type release() { return std::exchange(h_, Traits::Invalid()); }
    void reset(Type h = Traits::Invalid()) {
        Type old = std::exchange(h_, h);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    // For out-parameters: the old handle is given back first.
    Type* put() {
        reset();
        return &h_;
    }

private:
    Type h_ = Traits::Invalid();
};

namespace handle_traits {
template <typename T, auto CloseFn>
struct NullInvalid {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseFn(h); }
};
// CreateFile reports failure with INVALID_HANDLE_VALUE, other calls with NULL.
struct File {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};
// FindFirstChangeNotification reports failure with INVALID_HANDLE_VALUE too.
struct ChangeNotification {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindCloseChangeNotification(h); }
};
inline void CloseKernel(HANDLE h) { ::CloseHandle(h); }
inline void CloseKey(HKEY h) { ::RegCloseKey(h); }
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void FreeLocal(HLOCAL h) { ::LocalFree(h); }
}  // namespace handle_traits

using KernelHandle = UniqueHandle<handle_traits::NullInvalid<HANDLE, handle_traits::CloseKernel>>;
using FileHandle = UniqueHandle<handle_traits::File>;
using FolderWatchHandle = UniqueHandle<handle_traits::ChangeNotification>;
using RegKey = UniqueHandle<handle_traits::NullInvalid<HKEY, handle_traits::CloseKey>>;
// Memory of GlobalAlloc; released once the clipboard has taken it.
using GlobalMemory = UniqueHandle<handle_traits::NullInvalid<HGLOBAL, handle_traits::FreeGlobal>>;
// Memory the system hands over with LocalAlloc (CommandLineToArgvW).
using LocalMemory = UniqueHandle<handle_traits::NullInvalid<HLOCAL, handle_traits::FreeLocal>>;
