// HTTP over WinINet with bounded waits. Time-outs are set on the connect and
// request handles: Wine ignores those of the root handle, and a request opened
// in one step (InternetOpenUrl) is sent before any could be set. They count per
// operation, so each exchange has an overall limit as well, and a reply is read
// up to a size no real reply comes near.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "support/handles.h"
#include "support/internet_handle.h"

struct HttpTimeouts {
    DWORD connectMs = 15000;
    DWORD sendMs = 30000;
    DWORD receiveMs = 30000;
    // The whole exchange, from the send to the reply's last byte: a server that
    // trickles its reply fails like one that does not answer.
    DWORD exchangeMs = 180000;
};

// The time-outs of every request from now on (tests shorten them).
HttpTimeouts CurrentHttpTimeouts();
void SetHttpTimeouts(const HttpTimeouts& timeouts);

// The most a reply may hold. The largest real ones, a thread of 1000 comments
// or a watch page, are a few hundred KB.
inline constexpr std::size_t kMaxReplyBytes = 8 * 1024 * 1024;

struct HttpExchange;

class HttpRequest {
public:
    // Sends the request with the body and reads the whole reply body. False on
    // a failed send or read, on a body shorter than its Content-Length, on a
    // body over maxBytes (refused with a "◆" line, nothing of it kept) and on
    // an exchange over its overall limit (ERROR_INTERNET_TIMEOUT). An HTTP
    // error status is not a failure: its body is the reply. A stop request of
    // the thread (support/cancel.h) fails it before the send and while it waits.
    // The exchange runs on a thread of its own; one that fails by its limit or
    // a stop is left to end there, with the handles.
    bool Send(const std::string& body, const std::string& headers, std::string& reply,
              std::size_t maxBytes = kMaxReplyBytes);
    // The same, reading the answer's headers only.
    bool SendForHeaders();

    DWORD Status() const { return status_; }  // 0 when no answer came
    const std::string& StatusText() const { return statusText_; }
    // Raw response headers, lines separated by "\r\n".
    std::string Headers() const;
    DWORD Error() const { return error_; }  // last WinINet or system error code
    std::string ErrorText() const;
    HINTERNET Handle() const { return request_.get(); }
    // Whether the connection handle was made (tells a failed connect from a
    // failed request open).
    bool Connected() const { return static_cast<bool>(connection_); }

private:
    friend class HttpSession;
    void Fail(DWORD error) { error_ = error; }
    bool Run(const std::shared_ptr<HttpExchange>& exchange, std::string& reply);

    // Declared first, closed last: the session's root outlives its children.
    std::shared_ptr<InternetHandle> root_;
    InternetHandle connection_;
    InternetHandle request_;
    std::string url_;
    DWORD status_ = 0;
    std::string statusText_;
    DWORD error_ = 0;
};

class HttpSession {
public:
    enum class Access { Preconfigured, Direct, Proxy };

    // The root handle: the system's settings, a direct connection, or a proxy
    // (an empty name leaves the choice to the platform).
    bool Open(Access access = Access::Preconfigured, const std::string& proxy = {});
    // Cracks the address and opens the connection and the request, time-outs
    // set; nothing is sent yet. Flags are added to INTERNET_FLAG_RELOAD (and
    // INTERNET_FLAG_SECURE for https). A null version is the platform's default.
    bool OpenRequest(const std::string& url, const char* verb, HttpRequest& request, DWORD flags = 0,
                     const char* version = nullptr);
    HINTERNET Handle() const { return root_ ? root_->get() : nullptr; }

private:
    // Shared with the requests, which may outlive the session on a thread of
    // their own.
    std::shared_ptr<InternetHandle> root_;
};
