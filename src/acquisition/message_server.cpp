// The exchange with the message server: compose the thread request, post it,
// complete and check the reply, and save it as the comment file. The reply is
// read as any comment file is, never by the platform's parser, which refuses
// comments holding control characters and would lose the whole thread.
#include <msxml2.h>

#include <algorithm>
#include <functional>

#include "acquisition/comment_client.h"
#include "acquisition/reply_document.h"
#include "comments/comment_reader.h"
#include "support/codepage.h"
#include "infolog/info_log.h"
#include "support/http.h"
#include "support/replacing_file.h"
#include "support/text.h"
#include "support/write_guard.h"

namespace {

// MSXML's version-independent DOM document.
const CLSID kDomDocumentClsid = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// IXMLDOMDocument2, which the toolchain's import libraries lack.
const IID kDomDocument2Iid = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;  // 7

// Values go into double-quoted attributes: escape what would end or break them.
std::string EscapeAttribute(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

void AppendAttribute(std::string& request, const char* name, const std::string& value) {
    request += name;
    request += "=\"";
    request += EscapeAttribute(value);
    request += "\" ";
}

// What a missing node would give on its first use.
[[noreturn]] void ThrowMissingNode() { throw ComError(E_POINTER); }

// Saves into a temporary file beside the target and moves it over the target
// only when complete, so a failed save never costs the existing file.
void SaveReplacing(const std::string& bytes, const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    ReplacingFile file;
    if (!file.Begin(path) || !file.Write(bytes) || !file.Commit()) {
        ThrowIfFailed(HRESULT_FROM_WIN32(file.LastError()));
    }
}

// The bytes of text in the reply's encoding: UTF-16 in the order the reply
// starts with, or one that agrees with ASCII.
std::string InReplyEncoding(const std::string& reply, const std::string& ascii) {
    const bool little = reply.compare(0, 2, "\xFF\xFE") == 0 || reply.compare(0, 4, std::string("<\0?\0", 4)) == 0;
    const bool big = reply.compare(0, 2, "\xFE\xFF") == 0 || reply.compare(0, 4, std::string("\0<\0?", 4)) == 0;
    if (!little && !big) return ascii;
    std::string out;
    for (char c : ascii) out += little ? std::string{c, '\0'} : std::string{'\0', c};
    return out;
}

bool HasText(const std::string& utf8) { return utf8.find_first_not_of(" \t\n\r") != std::string::npos; }

// The reply with <view_counter video="0"/> as the root's last child, the rest
// as it came. False when the root's end tag is not where the reader finds it
// (only a trailing comment quoting it could do that).
bool AddViewCounter(std::string& reply) {
    const std::size_t at = reply.rfind(InReplyEncoding(reply, "</packet"));
    if (at == std::string::npos) return false;
    std::string added = reply;
    added.insert(at, InReplyEncoding(reply, "<view_counter video=\"0\"/>"));
    CommentReader check;
    check.OpenText(added);
    while (check.Next()) {
    }
    if (check.Failed() || !check.ViewCounter()) return false;
    reply.swap(added);
    return true;
}

}  // namespace

bool CreateReplyDocument(ComPtr<IXMLDOMDocument2>& doc) {
    if (FAILED(::CoCreateInstance(kDomDocumentClsid, nullptr, kClassContext, kDomDocument2Iid, doc.put_void())) ||
        !doc) {
        return false;
    }
    doc->put_async(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    // Only the request is built in it; replies are read by the comment reader.
    Variant on;
    on.get().vt = VT_BOOL;
    on.get().boolVal = VARIANT_TRUE;
    doc->setProperty(Bstr(L"ProhibitDTD").get(), on.get());
    return true;
}

bool GuardedExchange(const std::function<bool()>& exchange) {
    try {
        if (!exchange()) {
            InfoLog << "XMLの取得に失敗しました" << EndLine;
            return false;
        }
        return true;
    } catch (const ComError& e) {
        InfoLog << EndLine;
        InfoLog << "処理中に例外が発生しました" << EndLine;
        InfoLog << "Description : " << e.Description() << EndLine;
        InfoLog << "Source : " << e.Source() << EndLine;
        InfoLog << "Message : " << e.Message() << EndLine;
    } catch (...) {
        // Whatever else the exchange raises must not leave the worker thread.
        InfoLog << "処理中に例外が発生しました" << EndLine;
    }
    return false;
}

std::string CCommentClient::ComposeThreadRequest(const std::string& threadId, int commentCount,
                                                 const std::string& userId, int moment,
                                                 const std::string& waybackKey) const {
    std::string request = "<thread ";
    if (moment > 0 && !waybackKey.empty()) {
        AppendAttribute(request, "user_id", userId);
        AppendAttribute(request, "when", std::to_string(moment));
        AppendAttribute(request, "waybackkey", waybackKey);
    }
    AppendAttribute(request, "res_from", "-" + std::to_string(commentCount));
    AppendAttribute(request, "version", "20061206");
    AppendAttribute(request, "thread", threadId);
    request += "/>";
    return request;
}

bool CCommentClient::ExchangeThreadRequest(const std::string& request, const std::string& serverUrl,
                                           std::string& reply) {
    HttpSession session;
    if (!session.Open()) {
        InfoLog << "Error : CreateInstance Msxml2.XMLHTTP" << EndLine;
        return false;
    }
    ComPtr<IXMLDOMDocument2> doc;
    if (!CreateReplyDocument(doc)) {
        InfoLog << "Error : CreateInstance MSXML2::DOMDocument" << EndLine;
        return false;
    }
    VARIANT_BOOL parsed = VARIANT_FALSE;
    doc->loadXML(Bstr(AnsiToWide(request)).get(), &parsed);  // a request that does not parse posts nothing

    HttpRequest post;
    if (!session.OpenRequest(serverUrl, "POST", post)) {
        throw ComError(HRESULT_FROM_WIN32(post.Error()), "", "WinINet");
    }
    InfoLog << "Post XML..." << EndLine;

    Bstr body;
    ThrowIfFailed(doc->get_xml(body.put()));
    if (!post.Send(WideToUtf8(body.str()), "Content-Type: text/xml; charset=UTF-8\r\n", reply)) {
        ComError error(HRESULT_FROM_WIN32(post.Error()), post.ErrorText(), "WinINet");
        InfoLog << EndLine;
        InfoLog << "POST exception" << EndLine;
        InfoLog << "statusText = " << post.StatusText() << EndLine;
        InfoLog << "status = " << post.Status() << EndLine;
        InfoLog << "Description : " << error.Description() << EndLine;
        InfoLog << "Source : " << error.Source() << EndLine;
        InfoLog << "Message : " << error.Message() << EndLine;
        return false;
    }
    InfoLog << "Get XML..." << EndLine;
    return true;
}

HistoryReply CCommentClient::PostHistoryRequest(const std::string& request, const std::string& serverUrl, HANDLE file) {
    HistoryReply result;
    result.ok = GuardedExchange([&] {
        std::string reply;
        if (!ExchangeThreadRequest(request, serverUrl, reply)) return false;
        // Read as any comment file is; an error page or a refusal is no step.
        CommentReader reader;
        reader.OpenText(reply);
        while (reader.Next()) {
            const ChatElement& chat = reader.Chat();
            result.numbers.push_back(chat.Integer("no"));
            const long long date = chat.Integer("date");
            if (date > 0 && (result.oldestDate == 0 || date < result.oldestDate)) result.oldestDate = date;
        }
        const ChatElement* thread = reader.ThreadElement();
        if (reader.Failed() || !thread) {
            InfoLog << "◆コメントファイルとして読めない応答です ("
                    << (reader.Failed() ? reader.Error() : "thread 要素がありません") << ")" << EndLine;
            return false;
        }
        if (thread->Integer("resultcode") != 0) {
            InfoLog << "◆サーバーが要求を断りました (resultcode = " << thread->Integer("resultcode") << ")" << EndLine;
            return false;
        }
        std::sort(result.numbers.begin(), result.numbers.end());
        DWORD written = 0;
        if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !::SetEndOfFile(file) ||
            !::WriteFile(file, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr) ||
            written != reply.size()) {
            InfoLog << "◆一時ファイルに書き込めません (" << static_cast<unsigned long>(::GetLastError()) << ")"
                    << EndLine;
            return false;
        }
        return true;
    });
    if (!result.ok) result = HistoryReply{};
    return result;
}

bool CCommentClient::PostThreadRequest(const std::string& request, const std::string& serverUrl,
                                       const std::wstring& path) {
    std::string reply;
    if (!ExchangeThreadRequest(request, serverUrl, reply)) return false;

    // A reply that is not a comment packet (an error page, say) is never
    // saved as a comment file. The reader refuses a DTD before expanding it.
    CommentReader reader;
    bool text = false;
    if (reader.OpenText(reply)) {
        while (reader.Next()) text = text || HasText(reader.Chat().TextUtf8());
    }
    if (reader.Failed() || reader.RootName() != "packet") ThrowMissingNode();
    if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;

    if (!reader.ViewCounter() && AddViewCounter(reply)) InfoLog << "view_counter要素を追加しました" << EndLine;
    if (!text) {
        InfoLog << "コメントが見つかりませんでした" << EndLine;
        return false;
    }
    InfoLog << "Save XML" << EndLine;
    SaveReplacing(reply, path);
    return true;
}
