#include "support/web.h"

#include "support/http.h"

namespace {

bool MayGoOnline() { return ::InternetAttemptConnect(0) == ERROR_SUCCESS; }

}  // namespace

bool WebFetch(const std::string& url, std::string& body, const WebRoute& route) {
    body.clear();
    if (!MayGoOnline()) return false;
    HttpSession session;
    bool opened = route.viaProxy ? session.Open(HttpSession::Access::Proxy, route.proxy)
                                 : session.Open(HttpSession::Access::Direct);
    if (!opened) return false;
    HttpRequest request;
    if (!session.OpenRequest(url, "GET", request)) return false;
    std::string reply;
    if (!request.Send(std::string(), std::string(), reply)) return false;
    body.swap(reply);
    return !body.empty();
}

int WebContentLength(const std::string& url) {
    if (!MayGoOnline()) return -1;
    HttpSession session;
    if (!session.Open(HttpSession::Access::Direct)) return -1;
    HttpRequest request;
    if (!session.OpenRequest(url, "GET", request)) return -1;
    // Only the request matters to the caller: the body is left unread.
    if (!request.SendForHeaders()) return -1;
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!::HttpQueryInfoA(request.Handle(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                          nullptr)) {
        return -1;
    }
    return static_cast<int>(length);
}
