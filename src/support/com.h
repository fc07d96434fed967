// COM owners: interface pointers, BSTR, VARIANT, the per-thread COM
// initialisation, and the error object that COM failures raise.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

// Memory the system hands over with CoTaskMemAlloc (an item list of the
// folder browser).
class CoTaskMemory {
public:
    explicit CoTaskMemory(void* p) : p_(p) {}
    ~CoTaskMemory() { ::CoTaskMemFree(p_); }
    CoTaskMemory(const CoTaskMemory&) = delete;
    CoTaskMemory& operator=(const CoTaskMemory&) = delete;
    void* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    void* p_;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& s) : b_(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~Bstr() { ::SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return b_; }
    BSTR* put() {
        ::SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::wstring str() const { return b_ ? std::wstring(b_, ::SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    static Variant FromString(const std::wstring& s) {
        Variant v;
        v.v_.vt = VT_BSTR;
        v.v_.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return v;
    }
    Variant(Variant&& o) noexcept {
        v_ = o.v_;
        ::VariantInit(&o.v_);
    }

    VARIANT& get() { return v_; }
    VARIANT* put() {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// Keeps COM initialised on the thread that made it, for its whole scope; one
// inside another is fine. A thread already in the multithreaded apartment
// stays there (and is not uninitialised by us).
class ComInit {
public:
    ComInit() : initialised_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComInit() {
        if (initialised_) ::CoUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

private:
    bool initialised_;
};

// A COM failure: what the error report of a caught COM error needs. A standard
// error too, so a guard that knows nothing of COM still catches it.
class ComError : public std::runtime_error {
public:
    explicit ComError(HRESULT hr, std::string description = {}, std::string source = {})
        : std::runtime_error(description.empty() ? "COM error" : description),
          hr_(hr),
          description_(std::move(description)),
          source_(std::move(source)) {}

    HRESULT Error() const { return hr_; }
    const std::string& Description() const { return description_; }
    const std::string& Source() const { return source_; }
    // The system's message text for the code (from wininet.dll for its codes).
    std::string Message() const;

private:
    HRESULT hr_;
    std::string description_;
    std::string source_;
};

// Throws a ComError for a failed HRESULT, taking description and source from
// the thread's error info when the object set one.
void ThrowIfFailed(HRESULT hr);
