#include "export/graph_export.h"

#include <exception>
#include <string_view>

#include "comments/comment_reader.h"
#include "export/comment_text.h"
#include "export/export_failure.h"
#include "export/graph_drawing.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/replacing_file.h"

namespace {

CommentPosition PositionOf(const ChatElement& chat, std::wstring& scratch) {
    std::string_view mail;
    chat.FindAttribute("mail", mail);
    return MailPosition(mail, scratch);
}

bool WriteCsv(const std::wstring& path, const GraphFigures& figures) {
    ReplacingFile file;
    if (file.Begin(path) && file.Write(GraphCsv(figures)) && file.Commit()) return true;
    InfoLog << "Error : CSV " << ShownPath(path) << " (" << static_cast<unsigned long>(file.LastError()) << ")"
            << EndLine;
    return false;
}

// An output must name neither the comment file nor the other output.
bool SeparateFiles(const GraphExport& request) {
    const std::wstring* outputs[] = {&request.picturePath, &request.csvPath};
    for (const std::wstring* output : outputs) {
        if (!output->empty() && SamePath(request.commentPath, *output)) {
            InfoLog << "Error : the output is the comment file " << ShownPath(*output) << EndLine;
            return false;
        }
    }
    if (!request.csvPath.empty() && SamePath(request.picturePath, request.csvPath)) {
        InfoLog << "Error : the picture and the CSV are one file " << ShownPath(request.csvPath) << EndLine;
        return false;
    }
    return true;
}

}  // namespace

GraphTiming GraphTimingOf(const SubtitleSettings& subtitle) {
    GraphTiming timing;
    timing.scrollTime = subtitle.ScrollTime;
    timing.fixedTime = subtitle.FixedTime;
    return timing;
}

bool ReadGraphFigures(const std::wstring& commentPath, const GraphTiming& timing, const CommentFilter& hide,
                      GraphReading& reading, std::string& error) {
    reading = GraphReading();
    GraphCounter counter(timing);
    CommentReader reader;
    if (!reader.Open(commentPath)) {
        error = reader.Error();
        return false;
    }
    std::wstring mail;
    while (reader.Next()) {
        const ChatElement& chat = reader.Chat();
        ++reading.comments;
        long long vpos = 0;
        bool kept = chat.FindInteger("vpos", vpos);
        if (chat.Deleted()) {
            ++reading.deleted;
            if (kept) counter.Reach(vpos);
            continue;
        }
        if (kept && hide && hide(chat)) {
            ++reading.hidden;
            kept = counter.Reach(vpos);
        } else if (kept) {
            kept = counter.Add(vpos, PositionOf(chat, mail));
            if (kept) ++reading.counted;
        }
        if (!kept) ++reading.unreadable;
    }
    if (reader.Failed()) {
        error = reader.Error();
        return false;
    }
    if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;
    reading.figures = counter.Finish();
    return true;
}

bool ExportCommentGraph(const GraphExport& request) {
    if (!SeparateFiles(request)) return false;
    try {
        GraphReading reading;
        std::string error;
        if (!ReadGraphFigures(request.commentPath, request.timing, request.hide, reading, error)) {
            InfoLog << UnreadableCommentFileLine(ShownPath(request.commentPath), error) << EndLine;
            return false;
        }
        const GraphFigures& figures = reading.figures;
        if (figures.Seconds() == 0) {
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        InfoLog << "グラフ " << reading.counted << "件 (0:00 - " << GraphTimeText(figures.Seconds() - 1)
                << ")、読めずに省略 " << reading.unreadable << "件";
        if (reading.deleted > 0) InfoLog << "、削除 " << reading.deleted << "件";
        if (request.hide) InfoLog << "、NG " << reading.hidden << "件";
        InfoLog << EndLine;
        const std::vector<GraphPeak> peaks = FindPeaks(figures.onScreen);
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            InfoLog << "ピーク " << i + 1 << ": " << GraphTimeText(peaks[i].second) << " (" << peaks[i].count << " 件)"
                    << EndLine;
        }

        Picture picture;
        if (!RenderCommentGraph(request.width, request.height, figures, peaks, GraphMarks(), picture)) {
            InfoLog << "Error : CreateDIBSection " << request.width << "x" << request.height << EndLine;
            return false;
        }
        if (!WritePngFile(request.picturePath, picture, error)) {
            InfoLog << "Error : PNG " << ShownPath(request.picturePath) << " : " << error << EndLine;
            return false;
        }
        InfoLog << "Save PNG" << EndLine;
        if (!request.csvPath.empty()) {
            if (!WriteCsv(request.csvPath, figures)) return false;
            InfoLog << "Save CSV" << EndLine;
        }
        return true;
    } catch (...) {
        return ReportExportFailure("グラフ作成処理中に例外が発生しました");
    }
}

std::wstring GraphPicturePathFor(const std::wstring& commentPath) { return ReplaceExtension(commentPath, L".png"); }
