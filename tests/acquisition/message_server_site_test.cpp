// The exchange with the stand-in message server over real HTTP.
#include <msxml2.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "acquisition/comment_client.h"
#include "acquisition/reply_document.h"
#include "support/codepage.h"
#include "infolog/info_log.h"
#include "support/http.h"
#include "testlib/standin_client.h"
#include "testlib/temp_dir.h"

namespace {

const char kThread[] = "1173108780";  // sm9: 300 comments

const CLSID kDomClsid = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};

// Reads a saved comment file back with the XML component.
class SavedFile {
public:
    explicit SavedFile(const std::wstring& path) {
        CoCreateInstance(kDomClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, doc_.put_void());
        doc_->put_async(VARIANT_FALSE);
        Variant source = Variant::FromString(path);
        VARIANT_BOOL ok = VARIANT_FALSE;
        loaded_ = SUCCEEDED(doc_->load(source.get(), &ok)) && ok == VARIANT_TRUE;
    }
    bool Loaded() const { return loaded_; }
    long Count(const wchar_t* xpath) {
        ComPtr<IXMLDOMNodeList> list;
        long n = -1;
        if (SUCCEEDED(doc_->selectNodes(Bstr(xpath).get(), list.put())) && list) list->get_length(&n);
        return n;
    }
    std::wstring Text(const wchar_t* xpath) {
        ComPtr<IXMLDOMNode> node;
        Bstr text;
        if (doc_->selectSingleNode(Bstr(xpath).get(), node.put()) == S_OK && node) node->get_text(text.put());
        return text.str();
    }

private:
    ComPtr<IXMLDOMDocument> doc_;
    bool loaded_ = false;
};

class MessageServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        StandinReset();
        // A name the code page lacks characters of: the save, its temporary
        // file and the move all go by UTF-16.
        path_ = dir_.File(std::wstring(kEmojiName) + L".xml");
    }
    void TearDown() override { SetHttpTimeouts(HttpTimeouts()); }

    bool Post(const std::string& request) { return client_.PostThreadRequest(request, StandinMessageUrl(), path_); }
    bool Contains(const std::string& line) {
        auto lines = log_.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // Only the target may be left in the folder: no temporary files.
    void ExpectNoLeftovers() {
        for (const auto& name : ListFolder(dir_.WidePath())) EXPECT_EQ(name, std::wstring(kEmojiName) + L".xml");
    }

    CCommentClient client_;
    TempDir dir_;
    std::wstring path_;
    LineCapture log_;
};

TEST_F(MessageServerTest, SavesTheReplyWithViewCounter) {
    ASSERT_TRUE(Post(client_.ComposeThreadRequest(kThread, 5)));
    EXPECT_EQ(log_.Lines(),
              (std::vector<std::string>{"Post XML...", "Get XML...", "view_counter要素を追加しました", "Save XML"}));
    // The body is the component's serialisation of the parsed request.
    auto bodies = StandinBodies("message");
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_NE(bodies[0].find("<thread res_from=\"-5\" version=\"20061206\" thread=\"1173108780\""), std::string::npos)
        << bodies[0];

    SavedFile saved(path_);
    ASSERT_TRUE(saved.Loaded());
    EXPECT_EQ(saved.Count(L"/packet/chat"), 5);
    EXPECT_EQ(saved.Count(L"/packet/view_counter"), 1);
    EXPECT_EQ(saved.Count(L"/packet/view_counter[@video='0']"), 1);
    EXPECT_EQ(saved.Count(L"/packet/thread"), 1);
    // Entities and Japanese text come back intact (the newest 5 of 300).
    std::wstring all = saved.Text(L"/packet");
    EXPECT_FALSE(all.empty());
    ExpectNoLeftovers();
}

TEST_F(MessageServerTest, EntitiesAndJapaneseSurviveTheSave) {
    ASSERT_TRUE(Post(client_.ComposeThreadRequest(kThread, 300)));
    SavedFile saved(path_);
    ASSERT_TRUE(saved.Loaded());
    EXPECT_EQ(saved.Count(L"/packet/chat"), 300);
    std::wstring all = saved.Text(L"/packet");
    EXPECT_NE(all.find(L'&'), std::wstring::npos);
    EXPECT_NE(all.find(L'<'), std::wstring::npos);
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](wchar_t c) { return c >= 0x3040 && c <= 0x30FF; }));
}

TEST_F(MessageServerTest, PastLogBodyOrder) {
    Post(client_.ComposeThreadRequest(kThread, 10, "1000001", 1200000000, "key"));
    auto bodies = StandinBodies("message");
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_NE(bodies[0].find("<thread user_id=\"1000001\" when=\"1200000000\" waybackkey=\"key\" res_from=\"-10\" "
                             "version=\"20061206\" thread=\"1173108780\""),
              std::string::npos)
        << bodies[0];
}

TEST_F(MessageServerTest, ViewCounterFromTheServerIsKept) {
    StandinFault("message", "viewcounter");
    ASSERT_TRUE(Post(client_.ComposeThreadRequest(kThread, 5)));
    EXPECT_FALSE(Contains("view_counter要素を追加しました"));
    SavedFile saved(path_);
    EXPECT_EQ(saved.Count(L"/packet/view_counter"), 1);
    EXPECT_EQ(saved.Count(L"/packet/view_counter[@video='0']"), 0);
}

// The reply is saved as it came; view_counter goes in in the reply's encoding.
TEST_F(MessageServerTest, AReplyInUtf16IsSavedInUtf16) {
    StandinFault("message", "utf16");
    ASSERT_TRUE(Post(client_.ComposeThreadRequest(kThread, 5)));
    EXPECT_TRUE(Contains("view_counter要素を追加しました"));
    const std::string saved = ReadFileBytes(path_);
    const std::wstring end = L"<view_counter video=\"0\"/></packet>";
    ASSERT_EQ(saved.compare(0, 2, "\xFF\xFE"), 0);
    EXPECT_EQ(saved.substr(saved.size() - 2 * end.size()),
              std::string(reinterpret_cast<const char*>(end.data()), 2 * end.size()));
    SavedFile back(path_);
    EXPECT_EQ(back.Count(L"/packet/chat"), 5);
    EXPECT_EQ(back.Count(L"/packet/view_counter[@video='0']"), 1);
}

TEST_F(MessageServerTest, NoTextKeepsTheExistingFile) {
    WriteFileBytes(path_, "earlier comments");
    StandinFault("message", "notext");
    EXPECT_FALSE(Post(client_.ComposeThreadRequest(kThread, 5)));
    EXPECT_TRUE(Contains("コメントが見つかりませんでした"));
    EXPECT_FALSE(Contains("Save XML"));
    EXPECT_EQ(ReadFileBytes(path_), "earlier comments");
    ExpectNoLeftovers();
}

TEST_F(MessageServerTest, ErrorStatusWithXmlIsAReply) {
    StandinFault("message", "http500xml");
    EXPECT_TRUE(Post(client_.ComposeThreadRequest(kThread, 5)));
    EXPECT_EQ(SavedFile(path_).Count(L"/packet/chat"), 5);
}

// Before anything is loaded, the request's document has validation and external
// resources off and DTDs prohibited where the component knows the property
// (Wine's accepts it and cannot read it back).
TEST(ReplyDocument, SafeSettingsBeforeTheLoad) {
    ComInit com;
    ComPtr<IXMLDOMDocument2> doc;
    ASSERT_TRUE(CreateReplyDocument(doc));
    VARIANT_BOOL async = VARIANT_TRUE, externals = VARIANT_TRUE, validate = VARIANT_TRUE;
    ASSERT_EQ(doc->get_async(&async), S_OK);
    ASSERT_EQ(doc->get_resolveExternals(&externals), S_OK);
    ASSERT_EQ(doc->get_validateOnParse(&validate), S_OK);
    EXPECT_EQ(async, VARIANT_FALSE);
    EXPECT_EQ(externals, VARIANT_FALSE);
    EXPECT_EQ(validate, VARIANT_FALSE);
    Variant prohibit;
    if (SUCCEEDED(doc->getProperty(Bstr(L"ProhibitDTD").get(), prohibit.put()))) {
        EXPECT_EQ(prohibit.get().vt, VT_BOOL);
        EXPECT_EQ(prohibit.get().boolVal, VARIANT_TRUE);
    }
    // The reads report what was set: switched on, they say so.
    doc->put_resolveExternals(VARIANT_TRUE);
    doc->put_validateOnParse(VARIANT_TRUE);
    doc->get_resolveExternals(&externals);
    doc->get_validateOnParse(&validate);
    EXPECT_EQ(externals, VARIANT_TRUE);
    EXPECT_EQ(validate, VARIANT_TRUE);
}

// A reply with a document type is refused like a reply that is no XML, its
// entities never expanded: nothing is saved, the existing file stays.
TEST_F(MessageServerTest, RepliesThatAreNoPacketRaise) {
    WriteFileBytes(path_, "earlier comments");
    for (const char* kind : {"notxml", "http500html", "empty", "doctype", "doctypeutf16", "billionlaughs"}) {
        SCOPED_TRACE(kind);
        StandinFault("message", kind);
        log_.Clear();
        EXPECT_THROW(Post(client_.ComposeThreadRequest(kThread, 5)), ComError);
        EXPECT_EQ(log_.Lines(), (std::vector<std::string>{"Post XML...", "Get XML..."}));
        EXPECT_EQ(ReadFileBytes(path_), "earlier comments");
    }
    ExpectNoLeftovers();
}

TEST_F(MessageServerTest, ExistingFileIsReplaced) {
    WriteFileBytes(path_, "old");
    ASSERT_TRUE(Post(client_.ComposeThreadRequest(kThread, 2)));
    EXPECT_EQ(SavedFile(path_).Count(L"/packet/chat"), 2);
    ExpectNoLeftovers();
}

TEST_F(MessageServerTest, FailedSaveRaisesAndLeavesNothing) {
    path_ = dir_.File(L"missing\\c.xml");
    EXPECT_THROW(Post(client_.ComposeThreadRequest(kThread, 2)), ComError);
    EXPECT_TRUE(Contains("Save XML"));
    EXPECT_TRUE(ListFolder(dir_.Path()).empty());
}

TEST_F(MessageServerTest, MalformedServerAddressRaises) {
    EXPECT_THROW(client_.PostThreadRequest(client_.ComposeThreadRequest(kThread, 2), "not an address", path_),
                 ComError);
    EXPECT_TRUE(log_.Lines().empty());
}

// A dead or stalled server and a cut reply end the exchange with the report.
TEST_F(MessageServerTest, StalledOrCutRepliesFailWithTheReport) {
    SetHttpTimeouts(HttpTimeouts{2000, 2000, 2000});
    WriteFileBytes(path_, "earlier comments");
    for (const char* kind : {"stall", "truncated"}) {
        SCOPED_TRACE(kind);
        StandinFault("message", kind);
        log_.Clear();
        EXPECT_FALSE(Post(client_.ComposeThreadRequest(kThread, 5)));
        auto lines = log_.Lines();
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], "Post XML...");
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(lines[2], "POST exception");
        EXPECT_EQ(lines[3].rfind("statusText = ", 0), 0u);
        EXPECT_EQ(lines[4].rfind("status = ", 0), 0u);
        EXPECT_EQ(lines[5].rfind("Description : ", 0), 0u);
        EXPECT_EQ(lines[6].rfind("Source : ", 0), 0u);
        EXPECT_EQ(lines[7].rfind("Message : ", 0), 0u);
        EXPECT_EQ(ReadFileBytes(path_), "earlier comments");
        StandinReset();
    }
    ExpectNoLeftovers();
}

}  // namespace
