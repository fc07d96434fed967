#include "jobs/viewer_load.h"

#include <optional>

#include "comments/comment_reader.h"
#include "ng/ng_rule_file.h"
#include "comments/reader_platform.h"
#include "infolog/info_log.h"
#include "support/cancel.h"
#include "support/codepage.h"
#include "support/file_watch.h"
#include "support/files.h"

namespace {

// A file of the message server holds about 190 bytes a comment; room is
// reserved for a few more.
constexpr unsigned long long kBytesPerComment = 180;

ViewerError Unreadable(const std::wstring& path, const std::string& why) {
    InfoLog << UnreadableCommentFileLine(ShownPath(path), why) << EndLine;
    return ViewerError{L"コメントファイルを読み込めません。\n\n" + path + L"\n\n" + AnsiToWide(why), AnsiToWide(why)};
}

}  // namespace

bool ReadViewerContent(const ViewerRequest& request, const std::function<void(int percent)>& percent,
                       ViewerContent& content, ViewerError& error) {
    error = ViewerError();
    content = ViewerContent();
    content.path = request.path;
    content.timing = request.timing;

    std::optional<NgFilter> filter;
    if (!PrepareNgFilter(request.ng, filter)) {
        error.reason = L"NGルールの読み込みに失敗しました";
        error.message =
            error.reason + L"。\n\n" + request.ng.ruleFile + L"\n\n情報ウィンドウに正しくない行が表示されています。";
        return false;
    }
    content.rulesOn = filter.has_value();

    ByteCounter bytes;
    CommentReader reader;
    if (!reader.Open(request.path, &bytes)) {
        error = Unreadable(request.path, reader.Error());
        return false;
    }

    const unsigned long long size = FileSize(request.path);
    content.table.Reserve(static_cast<std::size_t>(size / kBytesPerComment));
    int shown = -1;
    TableLoad load;
    if (filter) {
        load.hide = [&](const ChatElement& chat, const std::wstring& text) {
            return filter->Hides(NgCommentOf(chat, &text));
        };
    }
    load.keepGoing = [&] {
        const int now = size > 0 ? static_cast<int>(std::min<unsigned long long>(100, bytes.Bytes() * 100 / size)) : 0;
        if (now != shown && percent) percent(shown = now);
        return !CancelRequested();
    };
    std::string why;
    if (!LoadCommentTable(reader, load, content.table, content.reading, why)) {
        if (!why.empty()) error = Unreadable(request.path, why);
        return false;
    }
    if (CancelRequested()) return false;
    if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;
    content.orders = OrderComments(content.table);
    content.figures = TableFigures(content.table, request.timing, content.reading.hiddenReach);
    content.peaks = FindPeaks(content.figures.onScreen);
    return !CancelRequested();
}

void FollowViewerFile(const ViewerRequest& request, const ViewerFollow& follow) {
    // Watched before the first reading: a change while it reads is read again.
    FileWatch watch(request.path);
    FileStamp stamp = StampOf(request.path);
    if (follow.shown && !watch.WaitForChange(stamp, ThreadCancelFlag())) return;
    for (bool again = follow.shown;; again = true) {
        auto content = std::make_shared<ViewerContent>();
        ViewerError error;
        const bool read =
            ReadViewerContent(request, again ? std::function<void(int)>() : follow.percent, *content, error);
        if (!read && error.message.empty()) return;  // stopped
        if (!follow.ended(read ? std::move(content) : nullptr, error, again) || (!read && !again)) return;
        if (!watch.WaitForChange(stamp, ThreadCancelFlag())) return;
    }
}
