#include "support/http.h"

#include <atomic>
#include <vector>

#include "support/cancel.h"
#include "support/com.h"

namespace {
std::atomic<DWORD> g_connectMs{HttpTimeouts{}.connectMs};
std::atomic<DWORD> g_sendMs{HttpTimeouts{}.sendMs};
std::atomic<DWORD> g_receiveMs{HttpTimeouts{}.receiveMs};

void ApplyTimeouts(HINTERNET handle) {
    DWORD connect = g_connectMs, send = g_sendMs, receive = g_receiveMs;
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    ::InternetSetOptionA(handle, INTERNET_OPTION_DATA_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionA(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD& value) {
    DWORD size = sizeof value;
    return ::HttpQueryInfoA(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

std::string QueryText(HINTERNET request, DWORD query) {
    DWORD size = 0;
    ::HttpQueryInfoA(request, query, nullptr, &size, nullptr);
    if (size == 0) return std::string();
    std::vector<char> buffer(size + 1, '\0');
    if (!::HttpQueryInfoA(request, query, buffer.data(), &size, nullptr)) return std::string();
    return std::string(buffer.data(), size);
}
}  // namespace

HttpTimeouts CurrentHttpTimeouts() { return HttpTimeouts{g_connectMs, g_sendMs, g_receiveMs}; }

void SetHttpTimeouts(const HttpTimeouts& timeouts) {
    g_connectMs = timeouts.connectMs;
    g_sendMs = timeouts.sendMs;
    g_receiveMs = timeouts.receiveMs;
}

bool HttpSession::Open(Access access, const std::string& proxy) {
    switch (access) {
        case Access::Preconfigured:
            root_.reset(::InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
            break;
        case Access::Direct:
            root_.reset(::InternetOpenA("", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
            break;
        case Access::Proxy:
            root_.reset(::InternetOpenA("", INTERNET_OPEN_TYPE_PROXY, proxy.empty() ? nullptr : proxy.c_str(),
                                        nullptr, 0));
            break;
    }
    return static_cast<bool>(root_);
}

bool HttpSession::OpenRequest(const std::string& url, const char* verb, HttpRequest& request, DWORD flags,
                              const char* version) {
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    std::vector<char> path(url.size() + 2, '\0');
    std::vector<char> extra(url.size() + 2, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) || host[0] == '\0') {
        request.Fail(ERROR_INTERNET_INVALID_URL);
        return false;
    }
    request.connection_.reset(
        ::InternetConnectA(root_.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!request.connection_) {
        request.Fail(::GetLastError());
        return false;
    }
    ApplyTimeouts(request.connection_.get());
    std::string object = std::string(path.data()) + extra.data();
    if (object.empty()) object = "/";
    DWORD requestFlags = INTERNET_FLAG_RELOAD | flags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) requestFlags |= INTERNET_FLAG_SECURE;
    request.request_.reset(
        ::HttpOpenRequestA(request.connection_.get(), verb, object.c_str(), version, nullptr, nullptr, requestFlags, 0));
    if (!request.request_) {
        request.Fail(::GetLastError());
        return false;
    }
    ApplyTimeouts(request.request_.get());
    return true;
}

bool HttpRequest::Send(const std::string& body, const std::string& headers, std::string& reply) {
    reply.clear();
    if (!request_) return false;
    if (CancelRequested()) {
        Fail(ERROR_INTERNET_OPERATION_CANCELLED);
        return false;
    }
    if (!::HttpSendRequestA(request_.get(), headers.empty() ? nullptr : headers.c_str(),
                            static_cast<DWORD>(headers.size()), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size()))) {
        Fail(::GetLastError());
        return false;
    }
    QueryNumber(request_.get(), HTTP_QUERY_STATUS_CODE, status_);
    statusText_ = QueryText(request_.get(), HTTP_QUERY_STATUS_TEXT);

    char buffer[1024];
    for (;;) {
        // A stop ends a long body between two reads.
        if (CancelRequested()) {
            Fail(ERROR_INTERNET_OPERATION_CANCELLED);
            return false;
        }
        DWORD got = 0;
        if (!::InternetReadFile(request_.get(), buffer, sizeof buffer, &got)) {
            Fail(::GetLastError());
            return false;
        }
        if (got == 0) break;
        reply.append(buffer, got);
    }
    // WinINet reports a connection closed early as a normal end.
    DWORD announced = 0;
    if (QueryNumber(request_.get(), HTTP_QUERY_CONTENT_LENGTH, announced) && reply.size() < announced) {
        Fail(ERROR_INTERNET_CONNECTION_RESET);
        return false;
    }
    return true;
}

std::string HttpRequest::Headers() const { return request_ ? QueryText(request_.get(), HTTP_QUERY_RAW_HEADERS_CRLF) : ""; }

std::string HttpRequest::ErrorText() const { return ComError(HRESULT_FROM_WIN32(error_)).Message(); }
