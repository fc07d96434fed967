#include "export/subtitle_export.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>

#include "comments/comment_reader.h"
#include "ng/ng_rule_file.h"
#include "export/export_failure.h"
#include "export/subtitle_markup.h"
#include "export/subtitle_placement.h"
#include "export/text_measure.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/external_sort.h"
#include "support/files.h"
#include "support/handles.h"

namespace {

// What placement and writing need of one comment. It waits in the sorter as
// these bytes followed by its text (UTF-8, escaped, lines joined by \N); the
// wide texts of the comment file are gone once it is made.
struct SubtitleFields {
    long long vpos;
    std::uint32_t colour;        // 0xRRGGBB
    std::int32_t width;          // pixels at fontSize, the widest line
    std::uint16_t fontSize;      // pixels, after fitting the block to its area
    std::uint16_t lines;
    CommentPosition position;
};

struct Stage {
    explicit Stage(const SubtitleSettings& o) {
        layout.width = o.StageWidth;
        const int usable = o.StageHeight - o.StageHeight * o.ReservedBottom / 100;
        layout.fixedBottom = usable;
        layout.scrollBottom = std::min(usable, o.StageHeight * o.ScrollArea / 100);
        layout.gap = o.MinGap;
        layout.scrollTime = o.ScrollTime;
        layout.fixedTime = o.FixedTime;
        layout.overlayWhenFull = o.OverlayWhenFull != 0;
        // FontSize is in hundredths of a percent, the scales in hundredths.
        medium = std::max(1, static_cast<int>((1LL * o.StageHeight * o.FontSize + 5000) / 10000));
        big = std::max(1, (medium * o.BigScale + 50) / 100);
        small = std::max(1, (medium * o.SmallScale + 50) / 100);
        outline = std::max(1, (medium + 12) / 24);
        shadow = std::max(1, outline / 2);
        alpha = (255 * (100 - o.Opacity) + 50) / 100;
    }
    int SizeOf(CommentSize size) const {
        return size == CommentSize::Big ? big : size == CommentSize::Small ? small : medium;
    }

    StageLayout layout;
    int medium, big, small, outline, shadow, alpha;
};

// Turns chat elements into sorter records, measuring and fitting each as it
// comes.
class CommentDecoder {
public:
    CommentDecoder(const SubtitleSettings& options, const Stage& stage, SubtitleSummary& summary, NgFilter* filter,
                   ExternalSorter& sorter)
        : stage_(stage), measure_(options.FontName), filter_(filter), summary_(summary), sorter_(sorter) {}

    bool FontFound() const { return measure_.FontFound(); }

    // False when the sorter's temporary file failed.
    bool Add(const ChatElement& chat) {
        ++summary_.comments;
        try {
            // Hidden whatever else it is, so every export hides the same comments.
            if (filter_) {
                text_ = chat.Text();
                if (filter_->Hides(NgCommentOf(chat, &text_))) {
                    ++summary_.excluded;
                    return true;
                }
            }
            long long vpos = 0;
            if (!chat.FindInteger("vpos", vpos)) {
                ++summary_.unreadable;
                return true;
            }
            const CommentLook look = ReadMailCommands(chat.Attribute("mail"));
            record_.assign(sizeof(SubtitleFields), '\0');
            const AssTextShape shape = AppendAssText(chat.TextUtf8(), record_, &measure_);
            SubtitleFields fields{};
            fields.vpos = vpos;
            fields.colour = look.colour;
            fields.position = look.position;
            fields.lines = static_cast<std::uint16_t>(std::min<std::size_t>(shape.lines, 0xFFFF));
            int size = stage_.SizeOf(look.size);
            int width = WidthAtSize(shape.widest, size);
            const int fitted = FittedFontSize(stage_.layout, look.position, size, fields.lines, width);
            if (fitted != size) width = WidthAtSize(shape.widest, size = fitted);
            fields.fontSize = static_cast<std::uint16_t>(size);
            fields.width = width;
            std::memcpy(&record_[0], &fields, sizeof fields);
            return sorter_.Add(vpos, record_);
        } catch (const std::exception&) {
            ++summary_.unreadable;  // one comment never stops the file
        }
        return true;
    }

private:
    const Stage& stage_;
    TextMeasure measure_;
    NgFilter* filter_;
    SubtitleSummary& summary_;
    ExternalSorter& sorter_;
    std::wstring text_;
    std::string record_;
};

// The one place that reads the comment file: each chat element goes to the
// decoder in document order and is not looked at again.
bool ReadComments(const std::wstring& path, CommentDecoder& decoder, std::string& error) {
    CommentReader reader;
    if (!reader.Open(path)) {
        error = reader.Error();
        return false;
    }
    while (reader.Next()) {
        if (!decoder.Add(reader.Chat())) return true;  // the sorter says why
    }
    error = reader.Error();
    if (reader.Failed()) return false;
    if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;
    return true;
}

// Buffered writes to the subtitle file.
class AssWriter {
public:
    bool Open(const std::wstring& path) {
        file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        error_ = file_ ? 0 : ::GetLastError();
        buffer_.reserve(kFlushAt + 4096);
        return static_cast<bool>(file_);
    }
    std::string& Line() { return buffer_; }
    // Ends the line in the buffer; writes the buffer when it is full.
    bool EndLine() {
        buffer_ += "\r\n";
        return buffer_.size() < kFlushAt || Flush();
    }
    bool Flush() {
        DWORD written = 0;
        if (!buffer_.empty() && (!::WriteFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()),
                                              &written, nullptr) ||
                                 written != buffer_.size())) {
            error_ = ::GetLastError();
            return false;
        }
        buffer_.clear();
        return true;
    }
    void Close() { file_.reset(); }
    DWORD Error() const { return error_; }

private:
    static constexpr std::size_t kFlushAt = 1 << 18;
    FileHandle file_;
    std::string buffer_;
    DWORD error_ = 0;
};

bool TemporaryFileFailed(const ExternalSorter& sorter) {
    InfoLog << "◆一時ファイルに読み書きできません (" << static_cast<unsigned long>(sorter.LastError()) << ")" << EndLine;
    return false;
}

std::string Utf8(const std::string& ansi) {
    std::string text = WideToUtf8(AnsiToWide(ansi));
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

void WriteHeader(AssWriter& out, const SubtitleSettings& options, const ProgramIdentity& program, const Stage& stage) {
    std::string& s = out.Line();
    s += "\xEF\xBB\xBF[Script Info]\r\n";
    s += "; " + program.name + " " + program.version + ": comments over the video\r\n";
    s += "; " + program.iniFileName + " [subtitle]\r\n";
    for (const SubtitleOption& option : SubtitleOptions()) {
        s += std::string("; ") + option.key + "=" + Utf8(SubtitleOptionValue(options, option)) + "\r\n";
    }
    s += "ScriptType: v4.00+\r\n";
    s += "PlayResX: " + std::to_string(options.StageWidth) + "\r\n";
    s += "PlayResY: " + std::to_string(options.StageHeight) + "\r\n";
    s += "ScaledBorderAndShadow: yes\r\n";
    s += "WrapStyle: 2\r\n";
    s += "YCbCr Matrix: None\r\n\r\n";
    s += "[V4+ Styles]\r\n";
    s += "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
         "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
         "MarginR, MarginV, Encoding\r\n";
    std::string font = Utf8(options.FontName);
    std::replace(font.begin(), font.end(), ',', ' ');
    s += "Style: Kometori," + font + "," + std::to_string(stage.medium) + "," +
         AssStyleColour(0xFFFFFF, stage.alpha) + "," + AssStyleColour(0xFFFFFF, stage.alpha) + "," +
         AssStyleColour(0x000000, stage.alpha) + "," + AssStyleColour(0x000000, stage.alpha) +
         ",0,0,0,0,100,100,0,0,1," + std::to_string(stage.outline) + "," + std::to_string(stage.shadow) +
         ",7,0,0,0,1\r\n\r\n";
    s += "[Events]\r\n";
    s += "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";
}

// The fields of an event are built in a buffer of their own and handed to the
// line whole: a call per piece costs more than the piece under Wine.
void AppendEvent(std::string& s, const SubtitleFields& c, std::string_view text, const Placement& p,
                 const Stage& stage) {
    char fields[320];
    const bool scrolling = c.position == CommentPosition::Scroll;
    char* at = PutText(fields, p.result == Placement::LeftOut ? "Comment: " : "Dialogue: ");
    at = PutText(at, scrolling ? "0," : "1,");  // top and bottom comments over scrolling ones
    at = PutAssTime(at, p.start);
    *at++ = ',';
    at = PutAssTime(at, p.end);
    at = PutText(at, ",Kometori,,0,0,0,,{");
    if (p.result != Placement::LeftOut) {
        if (scrolling) {
            // Entering before the video starts: from where it stands at 0.
            const long long x = p.start < 0 ? ScrollX(stage.layout, c.width, p.start, 0) : stage.layout.width;
            const long long numbers[] = {x, p.y, -static_cast<long long>(c.width), p.y};
            at = PutText(at, "\\an7\\move(");
            for (int i = 0; i < 4; ++i) {
                if (i != 0) *at++ = ',';
                at = PutDecimal(at, numbers[i]);
            }
        } else {
            at = PutDecimal(PutText(at, "\\an8\\pos("), stage.layout.width / 2);
            *at++ = ',';
            at = PutDecimal(at, p.y);
        }
        *at++ = ')';
    }
    if (c.fontSize != stage.medium) at = PutDecimal(PutText(at, "\\fs"), c.fontSize);
    const std::uint32_t edge = OutlineColourFor(c.colour);
    at = PutAssColour(PutText(at, "\\c"), c.colour);
    at = PutAssColour(PutText(at, "\\3c"), edge);
    at = PutAssColour(PutText(at, "\\4c"), edge);
    *at++ = '}';
    s.append(fields, static_cast<std::size_t>(at - fields));
    s.append(text.data(), text.size());
}

bool WriteSubtitles(const std::wstring& assPath, const SubtitleSettings& options, const ProgramIdentity& program,
                    const Stage& stage, ExternalSorter& sorter, ExportProgress* progress, SubtitleSummary& summary) {
    AssWriter out;
    if (!out.Open(assPath)) {
        InfoLog << "Error : CreateFile " << ShownPath(assPath) << " (" << static_cast<unsigned long>(out.Error()) << ")"
                << EndLine;
        return false;
    }
    WriteHeader(out, options, program, stage);
    out.EndLine();
    LanePlanner planner(stage.layout);
    const std::size_t count = sorter.Count();
    int shown = -1;
    std::string_view record;
    for (std::size_t i = 0; sorter.Next(record); ++i) {
        SubtitleFields c;
        std::memcpy(&c, record.data(), sizeof c);
        CommentBlock block;
        block.vpos = c.vpos;
        block.position = c.position;
        block.width = c.width;
        block.lineHeight = c.fontSize;
        block.lines = c.lines;
        const Placement placement = planner.Place(block);
        switch (placement.result) {
            case Placement::Free: ++summary.shown; break;
            case Placement::Overlaid: ++summary.shown, ++summary.overlaid; break;
            case Placement::LeftOut: ++summary.leftOut; break;
        }
        AppendEvent(out.Line(), c, record.substr(sizeof c), placement, stage);
        if (!out.EndLine()) break;
        const int percent = static_cast<int>(i * 100 / count);
        if (percent != shown) {
            shown = percent;
            if (progress) progress->ShowPercent(percent);
        }
    }
    if (sorter.Failed()) return TemporaryFileFailed(sorter);
    if (!out.Flush()) {
        InfoLog << "Error : WriteFile " << ShownPath(assPath) << " (" << static_cast<unsigned long>(out.Error()) << ")"
                << EndLine;
        return false;
    }
    out.Close();
    return true;
}

}  // namespace

bool ExportSubtitles(const SubtitleSettings& options, const ProgramIdentity& program, const std::wstring& commentPath,
                     const std::wstring& assPath, ExportProgress* progress, SubtitleSummary* summaryOut,
                     NgFilter* filter) {
    // Writing the subtitle file would destroy the comment file it is made from.
    if (SameFile(commentPath, assPath)) {
        InfoLog << "Error : the subtitle file is the comment file " << ShownPath(assPath) << EndLine;
        return false;
    }
    SubtitleSummary local;
    SubtitleSummary& summary = summaryOut ? *summaryOut : local;
    summary = SubtitleSummary();
    try {
        std::optional<NgFilter> excludeOnly;
        if (!options.Exclude.empty()) {
            if (!filter) filter = &excludeOnly.emplace(NgRuleSet());
            const std::wstring pattern = AnsiToWide(options.Exclude);
            std::string error;
            if (!filter->Rules().AddPattern(pattern, L"Exclude=" + pattern, error)) {
                InfoLog << "除外する正規表現が正しくありません : Exclude=" << options.Exclude << " (" << error << ")"
                        << EndLine;
                return false;
            }
        }
        const Stage stage(options);
        ExternalSorter sorter;
        CommentDecoder decoder(options, stage, summary, filter, sorter);
        summary.fontFound = decoder.FontFound();
        if (!summary.fontFound) {
            InfoLog << "※フォント「" << options.FontName << "」が見つからないため、文字の幅を推定します" << EndLine;
        }
        std::string error;
        if (!ReadComments(commentPath, decoder, error)) {
            InfoLog << UnreadableCommentFileLine(ShownPath(commentPath), error) << EndLine;
            return false;
        }
        // In the order of the video, equal moments in the file's order.
        if (!sorter.Finish()) return TemporaryFileFailed(sorter);
        if (summary.comments == 0) {
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        if (!WriteSubtitles(assPath, options, program, stage, sorter, progress, summary)) return false;
        if (progress) progress->ShowDone();
        InfoLog << "字幕 " << summary.shown << "件 (重ねて表示 " << summary.overlaid << "件)、画面が一杯で省略 "
                << summary.leftOut << "件、読めずに省略 " << summary.unreadable << "件、除外 " << summary.excluded
                << "件" << EndLine;
        InfoLog << "Save ASS" << EndLine;
        return true;
    } catch (...) {
        return ReportExportFailure("字幕変換処理中に例外が発生しました");
    }
}
