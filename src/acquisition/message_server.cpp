// The exchange with the message server: compose the thread request, post it,
// complete and check the reply, and save it as the comment file.
#include <msxml2.h>

#include <algorithm>

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
void SaveReplacing(IXMLDOMDocument* doc, const std::wstring& path) {
    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    ReplacingFile file;
    if (!file.Begin(path)) ThrowIfFailed(HRESULT_FROM_WIN32(file.LastError()));
    Variant saveTo = Variant::FromString(file.TempPath());
    ThrowIfFailed(doc->save(saveTo.get()));
    if (!file.Commit()) ThrowIfFailed(HRESULT_FROM_WIN32(file.LastError()));
}

}  // namespace

bool CreateReplyDocument(ComPtr<IXMLDOMDocument2>& doc) {
    if (FAILED(::CoCreateInstance(kDomDocumentClsid, nullptr, kClassContext, kDomDocument2Iid,
                                  doc.put_void())) ||
        !doc) {
        return false;
    }
    doc->put_async(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    // Components without the property, and Wine's, which accepts and ignores
    // it, parse DTDs: LoadReply refuses them itself.
    Variant on;
    on.get().vt = VT_BOOL;
    on.get().boolVal = VARIANT_TRUE;
    doc->setProperty(Bstr(L"ProhibitDTD").get(), on.get());
    return true;
}

bool DeclaresDocumentType(const std::string& bytes) {
    // Raw bytes in whatever encoding the reply declares: looked for as ASCII
    // and as UTF-16 in both byte orders. Character data cannot hold the text
    // unescaped, so only a declaration (or a comment or CDATA section quoting
    // one) matches.
    static const std::string ascii = "<!DOCTYPE";
    static const std::string little = [] {
        std::string out;
        for (char c : ascii) out += std::string{c, '\0'};
        return out;
    }();
    static const std::string big = '\0' + little.substr(0, little.size() - 1);
    return bytes.find(ascii) != std::string::npos || bytes.find(little) != std::string::npos ||
           bytes.find(big) != std::string::npos;
}

bool LoadReply(IXMLDOMDocument2* doc, const std::string& bytes) {
    // Refused before parsing, so no entity expansion can run away.
    if (DeclaresDocumentType(bytes)) return false;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) return false;
    void* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(array, &data))) {
        if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
        ::SafeArrayUnaccessData(array);
    }
    Variant source;
    source.get().vt = VT_ARRAY | VT_UI1;
    source.get().parray = array;  // owned by the variant from here
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc->load(source.get(), &ok);
    if (FAILED(hr) || ok != VARIANT_TRUE) return false;
    // A declaration in an encoding the scan cannot read: the parsed document tells.
    ComPtr<IXMLDOMDocumentType> type;
    return doc->get_doctype(type.put()) != S_OK || !type;
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

HistoryReply CCommentClient::PostHistoryRequest(const std::string& request, const std::string& serverUrl,
                                                HANDLE file) {
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

    // A reply that is not a comment packet (an error page, say) has no packet
    // to complete; it is never saved as a comment file.
    ComPtr<IXMLDOMDocument2> replyDoc;
    if (!CreateReplyDocument(replyDoc)) ThrowMissingNode();
    if (!LoadReply(replyDoc.get(), reply)) ThrowMissingNode();
    ComPtr<IXMLDOMElement> root;
    if (replyDoc->get_documentElement(root.put()) != S_OK || !root) ThrowMissingNode();
    Bstr rootName;
    ThrowIfFailed(root->get_nodeName(rootName.put()));
    if (rootName.str() != L"packet") ThrowMissingNode();
    ComPtr<IXMLDOMNode> first;
    if (root->get_firstChild(first.put()) != S_OK || !first) ThrowMissingNode();

    ComPtr<IXMLDOMNode> counter;
    ThrowIfFailed(first->selectSingleNode(Bstr(L"/packet/view_counter").get(), counter.put()));
    if (!counter) {
        Variant type;
        type.get().vt = VT_I4;
        type.get().lVal = NODE_ELEMENT;
        ComPtr<IXMLDOMNode> node;
        ThrowIfFailed(replyDoc->createNode(type.get(), Bstr(L"view_counter").get(), Bstr(L"").get(), node.put()));
        ComPtr<IXMLDOMElement> element;
        ThrowIfFailed(node->QueryInterface(IID_IXMLDOMElement, element.put_void()));
        Variant zero = Variant::FromString(L"0");
        ThrowIfFailed(element->setAttribute(Bstr(L"video").get(), zero.get()));
        ComPtr<IXMLDOMNode> appended;
        ThrowIfFailed(root->appendChild(node.get(), appended.put()));
        InfoLog << "view_counter要素を追加しました" << EndLine;
    }

    Bstr text;
    ThrowIfFailed(replyDoc->get_text(text.put()));
    if (text.str().empty()) {
        InfoLog << "コメントが見つかりませんでした" << EndLine;
        return false;
    }
    InfoLog << "Save XML" << EndLine;
    SaveReplacing(replyDoc.get(), path);
    return true;
}
