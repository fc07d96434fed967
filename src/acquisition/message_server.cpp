// The exchange with the message server: compose the thread request, post it,
// complete and check the reply, and save it as the comment file.
#include <msxml2.h>

#include <algorithm>

#include "acquisition/comment_client.h"
#include "export/comment_reader.h"
#include "support/codepage.h"
#include "infolog/info_log.h"
#include "support/http.h"
#include "support/replacing_file.h"
#include "support/write_guard.h"

namespace {

// MSXML's version-independent DOM document.
const CLSID kDomDocumentClsid = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
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

bool CreateDocument(ComPtr<IXMLDOMDocument>& doc) {
    return SUCCEEDED(::CoCreateInstance(kDomDocumentClsid, nullptr, kClassContext, IID_IXMLDOMDocument,
                                        doc.put_void())) &&
           doc;
}

// The reply bytes into a document; the parser honours the declared encoding.
bool LoadBytes(IXMLDOMDocument* doc, const std::string& bytes) {
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
    return SUCCEEDED(hr) && ok == VARIANT_TRUE;
}

// What a missing node would give on its first use.
[[noreturn]] void ThrowMissingNode() { throw ComError(E_POINTER); }

// Saves into a temporary file beside the target and moves it over the target
// only when complete, so a failed save never costs the existing file.
void SaveReplacing(IXMLDOMDocument* doc, const std::string& path) {
    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    ReplacingFile file;
    if (!file.Begin(path)) ThrowIfFailed(HRESULT_FROM_WIN32(file.LastError()));
    Variant target = Variant::FromString(AnsiToWide(file.TempPath()));
    ThrowIfFailed(doc->save(target.get()));
    if (!file.Commit()) ThrowIfFailed(HRESULT_FROM_WIN32(file.LastError()));
}

}  // namespace

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

void LogExchangeError(const ComError& e) {
    InfoLog << EndLine;
    InfoLog << "処理中に例外が発生しました" << EndLine;
    InfoLog << "Description : " << e.Description() << EndLine;
    InfoLog << "Source : " << e.Source() << EndLine;
    InfoLog << "Message : " << e.Message() << EndLine;
}

bool CCommentClient::ExchangeThreadRequest(const std::string& request, const std::string& serverUrl,
                                           std::string& reply) {
    HttpSession session;
    if (!session.Open()) {
        InfoLog << "Error : CreateInstance Msxml2.XMLHTTP" << EndLine;
        return false;
    }
    ComPtr<IXMLDOMDocument> doc;
    if (!CreateDocument(doc)) {
        InfoLog << "Error : CreateInstance MSXML2::DOMDocument" << EndLine;
        return false;
    }
    doc->put_async(VARIANT_FALSE);
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
    std::string reply;
    try {
        if (!ExchangeThreadRequest(request, serverUrl, reply)) return result;
    } catch (const ComError& e) {
        LogExchangeError(e);
        return result;
    }
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
        InfoLog << "◆コメントファイルとして読めない応答です (" << (reader.Failed() ? reader.Error() : "no thread")
                << ")" << EndLine;
        return result;
    }
    if (thread->Integer("resultcode") != 0) {
        InfoLog << "◆サーバーが要求を断りました (resultcode = " << thread->Integer("resultcode") << ")" << EndLine;
        return result;
    }
    std::sort(result.numbers.begin(), result.numbers.end());
    DWORD written = 0;
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !::SetEndOfFile(file) ||
        !::WriteFile(file, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr) ||
        written != reply.size()) {
        InfoLog << "◆一時ファイルに書き込めません (" << static_cast<unsigned long>(::GetLastError()) << ")" << EndLine;
        return result;
    }
    result.ok = true;
    return result;
}

bool CCommentClient::PostThreadRequest(const std::string& request, const std::string& serverUrl,
                                       const std::string& path) {
    std::string reply;
    if (!ExchangeThreadRequest(request, serverUrl, reply)) return false;

    // A reply that is not a comment packet (an error page, say) has no packet
    // to complete; it is never saved as a comment file.
    ComPtr<IXMLDOMDocument> replyDoc;
    if (!CreateDocument(replyDoc)) ThrowMissingNode();
    replyDoc->put_async(VARIANT_FALSE);
    if (!LoadBytes(replyDoc.get(), reply)) ThrowMissingNode();
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
