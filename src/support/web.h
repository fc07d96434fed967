// Plain reads of web resources. Each call opens its own handles (support/http.h,
// which sets the time-outs) and closes them again, so any thread may call.
// Cookies are WinINet's: every request of the process shares its cookie store,
// which is how a sign-in carries over to these reads.
#pragma once

#include <string>

// How page reads go out: directly, or through a proxy (an empty name leaves
// the choice of proxy to the platform).
struct WebRoute {
    bool viaProxy = false;
    std::string proxy;
};

// GET of the whole body, always from the network, by the route given. True
// exactly when the body is not empty. A failed, cut-short or too large read
// gives an empty body. An HTTP error status is not checked: the error page is
// the body. Logs nothing but the refusal of a body over kMaxReplyBytes.
bool WebFetch(const std::string& url, std::string& body, const WebRoute& route = {});

// GET (always direct) that reads only the announced Content-Length; -1 when
// there is no connection, no request or no such header.
int WebContentLength(const std::string& url);
