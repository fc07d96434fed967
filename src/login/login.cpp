#include "login/login.h"

#include <vector>

#include "settings/settings.h"
#include "infolog/info_log.h"
#include "support/http.h"
#include "support/text.h"

namespace {

constexpr DWORD kInitialHeaderSize = 10240;
// Each retry is given the size WinINet asked for; a few are plenty.
constexpr int kHeaderReadAttempts = 4;

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

}  // namespace

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
    InfoLog << "> " << headers << EndLine;
    if (headers.find("Set-Cookie") != std::string::npos) {
        InfoLog << "◆IDが見つかりませんでしたが、クッキーの設定を確認したのでログインの成功と判定しました。" << EndLine;
        return true;
    }
    reason = kWrongAccount;
    return false;
}

bool PostLogin(const std::string& mail, const std::string& password, std::string& reason) {
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
    const std::string url = "https://" + App().settings.site.SecureHost + "/secure/login?site=mokumoku";
    if (!session.OpenRequest(url, "POST", request, INTERNET_FLAG_RELOAD, "HTTP/1.0")) {
        InfoLog << (request.Connected() ? "Post : HttpOpenRequest" : "Post : InternetConnect") << EndLine;
        return false;
    }
    const std::string body = LoginFormBody(mail, password);
    const std::string headers = "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                std::to_string(body.size());
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

bool Login(const std::string& mail, const std::string& password) {
    InfoLog << "ログイン中..." << EndLine;
    std::string reason;
    if (!PostLogin(mail, password, reason)) {
        InfoLog << "ログインに失敗しました : " << reason << EndLine;
        return false;
    }
    InfoLog << "ログインに成功しました" << EndLine;
    AppSettings& settings = App().settings;
    if (settings.Mail != mail) settings.Mail = mail;
    if (settings.Pass != password) settings.Pass = password;
    return true;
}
