#include "support/http.h"

#include <atomic>
#include <vector>

#include "infolog/info_log.h"
#include "support/cancel.h"
#include "support/com.h"
#include "support/worker_thread.h"

// One exchange: what the request hands the exchange's thread, and what the
// thread found. The thread owns it with the caller; a caller that gives up
// leaves it, handles and all, to the thread, which closes them when WinINet
// lets it go (Wine's InternetCloseHandle does not end a call in progress).
struct HttpExchange {
    std::shared_ptr<InternetHandle> root;
    InternetHandle connection;
    InternetHandle request;
    std::string body;
    std::string headers;
    bool readBody = true;
    std::size_t maxBytes = kMaxReplyBytes;

    // Read by the caller once `done` is set.
    bool ok = false;
    bool tooLarge = false;
    DWORD status = 0;
    std::string statusText;
    DWORD error = 0;
    std::string reply;

    std::atomic<bool> abandoned{false};
    KernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};

    void Perform();
};

namespace {
std::atomic<DWORD> g_connectMs{HttpTimeouts{}.connectMs};
std::atomic<DWORD> g_sendMs{HttpTimeouts{}.sendMs};
std::atomic<DWORD> g_receiveMs{HttpTimeouts{}.receiveMs};
std::atomic<DWORD> g_exchangeMs{HttpTimeouts{}.exchangeMs};

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

unsigned __stdcall RunExchange(void* param) {
    std::unique_ptr<std::shared_ptr<HttpExchange>> owner(static_cast<std::shared_ptr<HttpExchange>*>(param));
    const std::shared_ptr<HttpExchange> exchange = *owner;
    owner.reset();
    exchange->Perform();
    ::SetEvent(exchange->done.get());
    return 0;
}

// Starts the exchange's thread; false when none could be made.
bool StartExchange(const std::shared_ptr<HttpExchange>& exchange) {
    if (!exchange->done) return false;
    auto owner = std::make_unique<std::shared_ptr<HttpExchange>>(exchange);
    WorkerThread thread(RunExchange);
    if (!thread.Start(owner.get())) return false;
    owner.release();  // the thread's now; the handle is closed, the thread runs on
    return true;
}
}  // namespace

void HttpExchange::Perform() {
    if (!::HttpSendRequestA(request.get(), headers.empty() ? nullptr : headers.c_str(),
                            static_cast<DWORD>(headers.size()), const_cast<char*>(body.data()),
                            static_cast<DWORD>(body.size()))) {
        error = ::GetLastError();
        return;
    }
    QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, status);
    statusText = QueryText(request.get(), HTTP_QUERY_STATUS_TEXT);
    if (!readBody) {
        ok = true;
        return;
    }
    DWORD announced = 0;
    const bool hasLength = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, announced);
    if (hasLength && announced > maxBytes) {
        tooLarge = true;
        return;
    }
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        if (abandoned) return;
        DWORD got = 0;
        if (!::InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
            error = ::GetLastError();
            return;
        }
        if (got == 0) break;
        // Stopped at the bound: the rest is never read, nothing of it kept.
        if (reply.size() + got > maxBytes) {
            tooLarge = true;
            reply.clear();
            reply.shrink_to_fit();
            return;
        }
        reply.append(buffer.data(), got);
    }
    // WinINet reports a connection closed early as a normal end.
    if (hasLength && reply.size() < announced) {
        error = ERROR_INTERNET_CONNECTION_RESET;
        return;
    }
    ok = true;
}

HttpTimeouts CurrentHttpTimeouts() { return HttpTimeouts{g_connectMs, g_sendMs, g_receiveMs, g_exchangeMs}; }

void SetHttpTimeouts(const HttpTimeouts& timeouts) {
    g_connectMs = timeouts.connectMs;
    g_sendMs = timeouts.sendMs;
    g_receiveMs = timeouts.receiveMs;
    g_exchangeMs = timeouts.exchangeMs;
}

bool HttpSession::Open(Access access, const std::string& proxy) {
    HINTERNET root = nullptr;
    switch (access) {
        case Access::Preconfigured:
            root = ::InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            break;
        case Access::Direct: root = ::InternetOpenA("", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0); break;
        case Access::Proxy:
            root = ::InternetOpenA("", INTERNET_OPEN_TYPE_PROXY, proxy.empty() ? nullptr : proxy.c_str(), nullptr, 0);
            break;
    }
    root_ = std::make_shared<InternetHandle>(root);
    return static_cast<bool>(*root_);
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
    request.root_ = root_;
    request.url_ = url;
    request.connection_.reset(
        ::InternetConnectA(Handle(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!request.connection_) {
        request.Fail(::GetLastError());
        return false;
    }
    ApplyTimeouts(request.connection_.get());
    std::string object = std::string(path.data()) + extra.data();
    if (object.empty()) object = "/";
    DWORD requestFlags = INTERNET_FLAG_RELOAD | flags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) requestFlags |= INTERNET_FLAG_SECURE;
    request.request_.reset(::HttpOpenRequestA(request.connection_.get(), verb, object.c_str(), version, nullptr,
                                              nullptr, requestFlags, 0));
    if (!request.request_) {
        request.Fail(::GetLastError());
        return false;
    }
    ApplyTimeouts(request.request_.get());
    return true;
}

bool HttpRequest::Send(const std::string& body, const std::string& headers, std::string& reply, std::size_t maxBytes) {
    auto exchange = std::make_shared<HttpExchange>();
    exchange->body = body;
    exchange->headers = headers;
    exchange->maxBytes = maxBytes;
    return Run(exchange, reply);
}

bool HttpRequest::SendForHeaders() {
    auto exchange = std::make_shared<HttpExchange>();
    exchange->readBody = false;
    std::string none;
    return Run(exchange, none);
}

bool HttpRequest::Run(const std::shared_ptr<HttpExchange>& exchange, std::string& reply) {
    reply.clear();
    if (!request_) return false;
    if (CancelRequested()) {
        Fail(ERROR_INTERNET_OPERATION_CANCELLED);
        return false;
    }
    exchange->root = root_;
    exchange->connection = std::move(connection_);
    exchange->request = std::move(request_);
    if (StartExchange(exchange)) {
        const DWORD limit = g_exchangeMs;
        const DWORD start = ::GetTickCount();
        while (::WaitForSingleObject(exchange->done.get(), 100) != WAIT_OBJECT_0) {
            const bool stopped = CancelRequested();
            if (stopped || ::GetTickCount() - start >= limit) {
                exchange->abandoned = true;  // its thread ends it and closes the handles
                Fail(stopped ? ERROR_INTERNET_OPERATION_CANCELLED : ERROR_INTERNET_TIMEOUT);
                return false;
            }
        }
    } else {
        exchange->Perform();  // no thread to spare: bounded per operation only
    }
    // Ended in time: the handles are the request's again, for its questions.
    connection_ = std::move(exchange->connection);
    request_ = std::move(exchange->request);
    status_ = exchange->status;
    statusText_ = exchange->statusText;
    if (exchange->tooLarge) {
        InfoLog << "◆サーバーの応答が大きすぎるため受信を中止しました(" << (exchange->maxBytes >> 20)
                << "MB超) : " << url_ << EndLine;
        Fail(ERROR_FILE_TOO_LARGE);
        return false;
    }
    if (!exchange->ok) {
        Fail(exchange->error);
        return false;
    }
    reply.swap(exchange->reply);
    return true;
}

std::string HttpRequest::Headers() const {
    return request_ ? QueryText(request_.get(), HTTP_QUERY_RAW_HEADERS_CRLF) : "";
}

std::string HttpRequest::ErrorText() const { return ComError(HRESULT_FROM_WIN32(error_)).Message(); }
