#include "login/login.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "settings/settings.h"
#include "infolog/info_log.h"
#include "support/http.h"
#include "support/text.h"

namespace {

constexpr DWORD kInitialHeaderSize = 10240;
// Each retry is given the size WinINet asked for; a few are plenty.
constexpr int kHeaderReadAttempts = 4;

// What the log shows in place of a cookie's value: the session must not reach
// scheduled-task logs or terminal scroll-back.
const char kCookieValueMark[] = "***";

const char kWrongAccount[] =
    "メールアドレスまたはパスワードが間違っているか、アカウントがロックされている可能性があります。";

bool ReadRawHeaders(HINTERNET request, std::string& headers) {
    DWORD size = kInitialHeaderSize;
    for (int attempt = 0; attempt < kHeaderReadAttempts; ++attempt) {
        std::vector<char> buffer(size + 1, '\0');
        if (::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size, nullptr)) {
            headers.assign(buffer.data(), size);
            return true;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        InfoLog << "HttpQueryInfo : バッファを再確保します " << static_cast<unsigned long>(size) << EndLine;
    }
    return false;
}

// Set-Cookie values as a list of cookies: every cookie's value becomes the
// mark, its name and attributes stay. Cookies are separated by ",", except the
// comma inside an expires date ("expires=Thu, 01 Jan 1970 ...").
std::string MaskCookieList(const std::string& list) {
    constexpr auto npos = std::string::npos;
    std::string out;
    bool cookieStarts = true;
    std::size_t at = 0;
    for (;;) {
        std::size_t end = list.find_first_of(";,", at);
        const std::size_t first = std::min(list.find_first_not_of(' ', at), list.size());
        const bool dateComma = end != npos && list[end] == ',' && end + 2 < list.size() && list[end + 1] == ' ' &&
                               std::isdigit(static_cast<unsigned char>(list[end + 2]));
        if (dateComma && ToLower(list.substr(first, 8)) == "expires=") end = list.find_first_of(";,", end + 1);
        if (end == npos) end = list.size();
        std::string item = list.substr(at, end - at);
        if (cookieStarts && first < end) {
            // "name=value" keeps "name="; a cookie without "=" is all value.
            const std::size_t equals = item.find('=');
            item = item.substr(0, equals == npos ? first - at : equals + 1) + kCookieValueMark;
        }
        out += item;
        if (end == list.size()) break;
        out += list[end];
        cookieStarts = list[end] == ',';
        at = end + 1;
    }
    return out;
}

}  // namespace

std::string MaskCookieValues(const std::string& headers) {
    std::string out;
    std::size_t at = 0;
    while (at < headers.size()) {
        std::size_t end = headers.find('\n', at);
        end = end == std::string::npos ? headers.size() : end + 1;
        std::string line = headers.substr(at, end - at);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            const std::string name = ToLower(line.substr(0, colon));
            if (name == "set-cookie" || name == "set-cookie2") {
                std::size_t valueEnd = line.find_last_not_of("\r\n");
                valueEnd = valueEnd == std::string::npos || valueEnd < colon ? colon + 1 : valueEnd + 1;
                line = line.substr(0, colon + 1) + MaskCookieList(line.substr(colon + 1, valueEnd - colon - 1)) +
                       line.substr(valueEnd);
            }
        }
        out += line;
        at = end;
    }
    return out;
}

std::string FormEncode(const std::string& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size() * 3);
    for (unsigned char c : value) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string LoginFormBody(const std::string& mail, const std::string& password) {
    return "&next_url=&mail=" + FormEncode(mail) + "&password=" + FormEncode(password);
}

bool JudgeLoginHeaders(const std::string& headers, std::string& reason) {
    std::string id = Between(headers, "x-mokumoku-id: ", "\r\n");
    if (!id.empty()) {
        InfoLog << "id = " << id << EndLine;
        return true;
    }
    InfoLog << "レスポンスヘッダからIDが確認できませんでした" << EndLine;
    InfoLog << "> " << MaskCookieValues(headers) << EndLine;
    if (ContainsText(headers, "Set-Cookie")) {
        InfoLog << "◆IDが見つかりませんでしたが、クッキーの設定を確認したのでログインの成功と判定しました。" << EndLine;
        return true;
    }
    reason = kWrongAccount;
    return false;
}

bool PostLogin(const SiteSettings& site, const std::string& mail, const std::string& password, std::string& reason) {
    if (::InternetAttemptConnect(0) != ERROR_SUCCESS) {
        InfoLog << "Post : InternetAttemptConnect" << EndLine;
        return false;
    }
    // Always direct: the proxy settings are for page reads only.
    HttpSession session;
    if (!session.Open(HttpSession::Access::Direct)) {
        InfoLog << "Post : InternetOpen" << EndLine;
        return false;
    }
    HttpRequest request;
    const std::string url = "https://" + site.SecureHost + "/secure/login?site=mokumoku";
    if (!session.OpenRequest(url, "POST", request, INTERNET_FLAG_RELOAD, "HTTP/1.0")) {
        InfoLog << (request.Connected() ? "Post : HttpOpenRequest" : "Post : InternetConnect") << EndLine;
        return false;
    }
    const std::string body = LoginFormBody(mail, password);
    const std::string headers =
        "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size());
    // Only the headers decide; a reply body that breaks off does not matter.
    std::string page;
    if (!request.Send(body, headers, page) && request.Status() == 0) {
        InfoLog << "Post : HttpSendRequest" << EndLine;
        return false;
    }
    std::string block;
    if (!ReadRawHeaders(request.Handle(), block)) {
        InfoLog << "Post : HttpQueryInfo" << EndLine;
        return false;
    }
    return JudgeLoginHeaders(block, reason);
}

bool Login(const SiteSettings& site, const std::string& mail, const std::string& password) {
    InfoLog << "ログイン中..." << EndLine;
    std::string reason;
    if (!PostLogin(site, mail, password, reason)) {
        InfoLog << "ログインに失敗しました : " << reason << EndLine;
        return false;
    }
    InfoLog << "ログインに成功しました" << EndLine;
    return true;
}
