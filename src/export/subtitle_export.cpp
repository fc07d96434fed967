#include "export/subtitle_export.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "comments/comment_reader.h"
#include "comments/xml_chars.h"
#include "ng/ng_automaton.h"
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

// Why a comment is written as a Comment line instead of being drawn, besides
// a full stage; the word goes in the event's Name field.
enum class Omission : std::uint8_t { None, Deleted, Invisible, Blank, BeforeStart, Merged, OverCap };

const char* OmissionWord(Omission omission) {
    switch (omission) {
        case Omission::Deleted: return "deleted";
        case Omission::Invisible: return "invisible";
        case Omission::Blank: return "blank";
        case Omission::BeforeStart: return "before-start";
        case Omission::Merged: return "merged";
        case Omission::OverCap: return "over-cap";
        default: return "";
    }
}

// What placement and writing need of one comment. It waits in the sorter as
// these bytes followed by its text (UTF-8, escaped, lines joined by \N) and,
// when repeats are merged, the 64-bit hash of its folded text; the wide texts
// of the comment file are gone once it is made.
struct SubtitleFields {
    long long vpos;          // hundredths, after the offset
    std::int32_t widest;     // the widest line's advances at the reference size
    std::int32_t last;       // the last line's
    std::uint32_t colour;    // 0xRRGGBB
    std::uint32_t hashSize;  // bytes of the hash at the end: 8 when merging, else 0
    std::uint16_t size;      // pixels, before fitting the block to its area
    std::uint16_t lines;
    std::uint16_t duration;  // "@N" in hundredths, 0 the default
    CommentPosition position;
    Omission omission;
};
static_assert(sizeof(SubtitleFields) == 32, "the sorter moves every byte of it");

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
        // The site's player draws small, medium and big at 18, 27 and 39
        // pixels of its 384, and art of 7, 5 or 3 lines and more at 10, 14
        // and 19.5, so that tall art fits: the same ratios of ours.
        smallArt = std::max(1, (small * 10 * 2 + 18) / (18 * 2));
        mediumArt = std::max(1, (medium * 14 * 2 + 27) / (27 * 2));
        bigArt = std::max(1, (big * 195 * 2 + 390) / (390 * 2));
    }
    int SizeOf(CommentSize size) const {
        return size == CommentSize::Big ? big : size == CommentSize::Small ? small : medium;
    }
    // The size of a comment of so many lines: art is drawn smaller unless it says "ender".
    int SizeOf(const CommentLook& look, std::size_t lines) const {
        if (look.ender) return SizeOf(look.size);
        switch (look.size) {
            case CommentSize::Small: return lines >= 7 ? smallArt : small;
            case CommentSize::Big: return lines >= 3 ? bigArt : big;
            default: return lines >= 5 ? mediumArt : medium;
        }
    }

    StageLayout layout;
    int medium, big, small, outline, shadow, alpha;
    int smallArt, mediumArt, bigArt;
};

// FNV-1a over the UTF-16 units: two texts within one window of repeats that
// differ share a hash once in 2^64 pairs.
std::uint64_t TextHash(std::wstring_view text) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const wchar_t unit : text) hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001B3ULL;
    return hash;
}

// The offset of a comment at a moment of the site's video: the map's piece
// in force there, else the one Offset.
class Offsets {
public:
    explicit Offsets(const SubtitleSettings& options) : single_(options.Offset) {
        std::string ignored;  // checked when the option was set
        ParseOffsetMap(options.OffsetMap, pieces_, ignored);
    }
    long long At(long long vpos) const {
        if (pieces_.empty()) return single_;
        const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), vpos,
                                            [](long long v, const OffsetPiece& p) { return v < p.from; });
        return after == pieces_.begin() ? 0 : std::prev(after)->offset;
    }

private:
    long long single_;
    std::vector<OffsetPiece> pieces_;
};

// Turns chat elements into sorter records, measuring each as it comes.
class CommentDecoder {
public:
    CommentDecoder(const SubtitleSettings& options, const Stage& stage, CharacterWidths& measure,
                   SubtitleSummary& summary, NgFilter* filter, ExternalSorter& sorter)
        : stage_(stage),
          measure_(measure),
          offsets_(options),
          merging_(options.MergeRepeats > 0),
          filter_(filter),
          summary_(summary),
          sorter_(sorter) {}

    // The longest time a scrolling comment enters before its moment.
    long long LongestLead() const { return longestLead_; }

    // False when the sorter's temporary file failed.
    bool Add(const ChatElement& chat) {
        ++summary_.comments;
        try {
            // Hidden whatever else it is, so every export hides the same comments.
            bool haveText = false;
            if (filter_) {
                text_ = chat.Text();
                haveText = true;
                if (filter_->Hides(NgCommentOf(chat, &text_))) {
                    ++summary_.excluded;
                    return true;
                }
            }
            SubtitleFields fields{};
            // The site's placeholder of a deleted comment: never shown there.
            if (chat.Deleted()) fields.omission = Omission::Deleted;
            long long vpos = 0;
            if (!chat.FindInteger("vpos", vpos)) {
                ++(fields.omission == Omission::Deleted ? summary_.deleted : summary_.unreadable);
                return true;
            }
            const CommentLook look = ReadMailCommands(chat.Attribute("mail"));
            if (fields.omission == Omission::None && look.invisible) fields.omission = Omission::Invisible;
            record_.assign(sizeof(SubtitleFields), '\0');
            const AssTextShape shape = AppendAssText(chat.TextUtf8(), record_, &measure_);
            if (fields.omission == Omission::None && !shape.visible) fields.omission = Omission::Blank;
            const long long offset = offsets_.At(vpos);
            vpos = offset > 0 && vpos > LLONG_MAX - offset ? LLONG_MAX : vpos + offset;
            if (fields.omission == Omission::None && vpos < 0) fields.omission = Omission::BeforeStart;
            fields.vpos = vpos;
            // Far beyond any stage: no comment needs more.
            fields.widest = static_cast<std::int32_t>(std::min<long long>(shape.widest, INT32_MAX / 2));
            fields.last = static_cast<std::int32_t>(std::min<long long>(shape.last, INT32_MAX / 2));
            fields.colour = look.colour;
            fields.position = look.position;
            fields.duration = static_cast<std::uint16_t>(look.duration);
            fields.lines = static_cast<std::uint16_t>(std::min<std::size_t>(shape.lines, 0xFFFF));
            fields.size = static_cast<std::uint16_t>(std::min(stage_.SizeOf(look, shape.lines), 0xFFFF));
            if (look.position == CommentPosition::Scroll) {
                longestLead_ =
                    std::max(longestLead_, (look.duration > 0 ? look.duration : stage_.layout.scrollTime) / 4);
            }
            if (merging_ && fields.omission == Omission::None) {
                if (!haveText) {
                    text_.clear();
                    AppendUtf16Units(chat.TextUtf8(), text_);
                }
                folded_.clear();
                AppendFolded(text_, folded_);
                const std::uint64_t hash = TextHash(folded_);
                fields.hashSize = sizeof hash;
                record_.append(reinterpret_cast<const char*>(&hash), sizeof hash);
            }
            std::memcpy(&record_[0], &fields, sizeof fields);
            return sorter_.Add(vpos, record_);
        } catch (const std::exception&) {
            ++summary_.unreadable;  // one comment never stops the file
        }
        return true;
    }

private:
    const Stage& stage_;
    CharacterWidths& measure_;
    Offsets offsets_;
    bool merging_;
    NgFilter* filter_;
    SubtitleSummary& summary_;
    ExternalSorter& sorter_;
    std::wstring text_, folded_;
    std::string record_;
    long long longestLead_ = 0;
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
        if (!buffer_.empty() &&
            (!::WriteFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) ||
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
    InfoLog << "◆一時ファイルに読み書きできません (" << static_cast<unsigned long>(sorter.LastError()) << ")"
            << EndLine;
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
    const SubtitleSettings defaults;
    for (const SubtitleOption& option : SubtitleOptions()) {
        if (option.recordedWhenSet && SubtitleOptionValue(options, option) == SubtitleOptionValue(defaults, option)) {
            continue;
        }
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
    s += "Style: Kometori," + font + "," + std::to_string(stage.medium) + "," + AssStyleColour(0xFFFFFF, stage.alpha) +
         "," + AssStyleColour(0xFFFFFF, stage.alpha) + "," + AssStyleColour(0x000000, stage.alpha) + "," +
         AssStyleColour(0x000000, stage.alpha) + ",0,0,0,0,100,100,0,0,1," + std::to_string(stage.outline) + "," +
         std::to_string(stage.shadow) + ",7,0,0,0,1\r\n\r\n";
    s += "[Events]\r\n";
    s += "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";
}

// What an event draws, after fitting.
struct EventLook {
    CommentPosition position;
    std::uint32_t colour;
    int width, fontSize, lines;
    long long crossing;  // a scrolling comment's hundredths to cross
};

// The fields of an event are built in a buffer of their own and handed to the
// line whole: a call per piece costs more than the piece under Wine.
void AppendEvent(std::string& s, const EventLook& c, std::string_view text, std::string_view suffix, const Placement& p,
                 const Stage& stage, const char* reason) {
    char fields[320];
    const bool scrolling = c.position == CommentPosition::Scroll;
    char* at = PutText(fields, p.result == Placement::LeftOut ? "Comment: " : "Dialogue: ");
    at = PutText(at, scrolling ? "0," : "1,");  // top and bottom comments over scrolling ones
    at = PutAssTime(at, p.start);
    *at++ = ',';
    at = PutAssTime(at, p.end);
    at = PutText(PutText(PutText(at, ",Kometori,"), reason), ",0,0,0,,{");
    if (p.result != Placement::LeftOut) {
        if (scrolling) {
            // Entering before the video starts: from where it stands at 0.
            const long long x =
                p.start < 0 ? ScrollX(stage.layout, c.width, c.crossing, p.start, 0) : stage.layout.width;
            const long long numbers[] = {x, p.y, -static_cast<long long>(c.width), p.y};
            at = PutText(at, "\\an7\\move(");
            for (int i = 0; i < 4; ++i) {
                if (i != 0) *at++ = ',';
                at = PutDecimal(at, numbers[i]);
            }
        } else if (c.lines > 1) {
            // Art: the block centred, its lines' left edges together.
            at = PutDecimal(PutText(at, "\\an7\\pos("), std::max(0, (stage.layout.width - c.width) / 2));
            *at++ = ',';
            at = PutDecimal(at, p.y);
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
    s.append(suffix.data(), suffix.size());
}

// MaxOnScreen: the times of the comments drawn lately, so that no moment has
// more than the cap.
class ScreenCap {
public:
    ScreenCap(int most, long long longestLead) : most_(most), lead_(longestLead) {}

    // Whether a comment shown from start to end keeps every moment within the
    // cap; vpos is its moment (comments come in its order).
    bool Admits(long long vpos, long long start, long long end) {
        // Nothing later starts before vpos less the longest lead.
        drawn_.erase(std::remove_if(drawn_.begin(), drawn_.end(), [&](const Span& d) { return d.end <= vpos - lead_; }),
                     drawn_.end());
        int atStart = 0;
        bool laterStarts = false;
        for (const Span& d : drawn_) {
            if (d.start <= start && start < d.end) ++atStart;
            laterStarts = laterStarts || (d.start > start && d.start < end);
        }
        if (atStart >= most_) return false;
        if (!laterStarts) return true;  // the count only falls after start
        // Comments starting later (fixed ones, longer crossings): a sweep.
        changes_.clear();
        for (const Span& d : drawn_) {
            if (d.start > start && d.start < end) changes_.push_back({d.start, 1});
            if (d.end > start && d.end < end && d.start <= d.end) changes_.push_back({d.end, -1});
        }
        std::sort(changes_.begin(), changes_.end());  // at one time an end before a start
        int count = atStart;
        for (const auto& change : changes_) {
            count += change.second;
            if (count >= most_) return false;
        }
        return true;
    }
    void Add(long long start, long long end) { drawn_.push_back({start, end}); }

private:
    struct Span {
        long long start, end;
    };
    int most_;
    long long lead_;
    std::vector<Span> drawn_;
    std::vector<std::pair<long long, int>> changes_;
};

// Places and writes the events in the order of the video.
class EventWriter {
public:
    EventWriter(AssWriter& out, const SubtitleSettings& options, const Stage& stage, CharacterWidths& widths,
                long long longestLead, SubtitleSummary& summary)
        : out_(out), stage_(stage), widths_(widths), planner_(stage.layout), summary_(summary) {
        if (options.MaxOnScreen > 0) cap_.emplace(options.MaxOnScreen, longestLead);
    }

    // repeats: the comments a merge draws as this one (1: itself alone).
    bool Write(std::string_view record, std::size_t repeats) {
        SubtitleFields c;
        std::memcpy(&c, record.data(), sizeof c);
        const std::string_view text = record.substr(sizeof c, record.size() - sizeof c - c.hashSize);
        long long widest = c.widest;
        suffix_.clear();
        if (repeats > 1) {
            char digits[24];
            suffix_ = " \xC3\x97";  // " ×"
            suffix_.append(digits, PutDecimal(digits, static_cast<long long>(repeats)));
            long long last = c.last + widths_.Advance(' ') + widths_.Advance(0xD7);  // " ×"
            for (std::size_t i = 3; i < suffix_.size(); ++i)
                last += widths_.Advance(static_cast<unsigned char>(suffix_[i]));
            widest = std::max(widest, last);
        }
        EventLook look{c.position, c.colour, 0,
                       c.size,     c.lines,  c.duration > 0 ? c.duration : stage_.layout.scrollTime};
        look.width = WidthAtSize(widest, look.fontSize);
        const int fitted = FittedFontSize(stage_.layout, c.position, look.fontSize, look.lines, look.width);
        if (fitted != look.fontSize) look.width = WidthAtSize(widest, look.fontSize = fitted);
        CommentBlock block;
        block.vpos = c.vpos;
        block.position = c.position;
        block.width = look.width;
        block.lineHeight = look.fontSize;
        block.lines = look.lines;
        block.duration = c.duration;
        Placement placement = TimesOf(stage_.layout, block);
        Omission omission = c.omission;
        if (omission == Omission::None && cap_ && !cap_->Admits(c.vpos, placement.start, placement.end)) {
            omission = Omission::OverCap;
        }
        if (omission != Omission::None) {
            placement.result = Placement::LeftOut;
            ++Count(omission);
        } else {
            placement = planner_.Place(block);
            switch (placement.result) {
                case Placement::Free: ++summary_.shown; break;
                case Placement::Overlaid: ++summary_.shown, ++summary_.overlaid; break;
                case Placement::LeftOut: ++summary_.leftOut; break;
            }
            if (cap_ && placement.result != Placement::LeftOut) cap_->Add(placement.start, placement.end);
        }
        AppendEvent(out_.Line(), look, text, suffix_, placement, stage_, OmissionWord(omission));
        return out_.EndLine();
    }

private:
    std::size_t& Count(Omission omission) {
        switch (omission) {
            case Omission::Deleted: return summary_.deleted;
            case Omission::Invisible: return summary_.invisible;
            case Omission::Blank: return summary_.blank;
            case Omission::BeforeStart: return summary_.beforeStart;
            case Omission::Merged: return summary_.merged;
            default: return summary_.overCap;
        }
    }

    AssWriter& out_;
    const Stage& stage_;
    CharacterWidths& widths_;
    LanePlanner planner_;
    std::optional<ScreenCap> cap_;
    SubtitleSummary& summary_;
    std::string suffix_;
};

// MergeRepeats: each comment waits until the window of the first of its text
// has passed, so that the first is written knowing how many it stands for.
// Holds the comments of one window, never the file.
class RepeatMerger {
public:
    RepeatMerger(EventWriter& writer, long long window) : writer_(writer), window_(window), slots_(64) {}

    bool Add(std::string_view record) {
        SubtitleFields c;
        std::memcpy(&c, record.data(), sizeof c);
        while (!waiting_.empty() && waiting_.front().vpos + window_ < c.vpos) {
            if (!WriteFirst()) return false;
        }
        Waiting entry;
        entry.at = bytes_.size();
        entry.size = record.size();
        entry.vpos = c.vpos;
        bytes_.append(record.data(), record.size());
        if (c.omission == Omission::None) {
            std::uint64_t hash;
            std::memcpy(&hash, record.data() + record.size() - sizeof hash, sizeof hash);
            Slot& slot = SlotFor(hash);
            if (slot.number >= first_ && slot.hash == hash) {
                Waiting& leader = waiting_[slot.number - first_];
                if (c.vpos - leader.vpos <= window_) {
                    ++leader.repeats;
                    c.omission = Omission::Merged;
                    std::memcpy(&bytes_[entry.at], &c, sizeof c);
                    waiting_.push_back(entry);
                    return true;
                }
            }
            if (slot.number == kEmpty) ++used_;
            slot.hash = hash;
            slot.number = first_ + waiting_.size();
        }
        waiting_.push_back(entry);
        if (used_ * 4 > slots_.size() * 3) Rebuild();
        return true;
    }
    bool Finish() {
        while (!waiting_.empty()) {
            if (!WriteFirst()) return false;
        }
        return true;
    }

private:
    struct Waiting {
        std::size_t at, size;  // the record in bytes_
        long long vpos;
        std::size_t repeats = 1;
    };
    // The first comment of each text in the window, by the text's hash: open
    // addressing, a slot whose comment has been written is free to take.
    static constexpr std::size_t kEmpty = SIZE_MAX;
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t number = kEmpty;  // the first's number among all added
    };

    // The slot of the hash's first when it is waiting, else the slot to give it.
    Slot& SlotFor(std::uint64_t hash) {
        const std::size_t mask = slots_.size() - 1;
        Slot* free = nullptr;
        for (std::size_t i = static_cast<std::size_t>(hash ^ hash >> 29) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.number == kEmpty) return free ? *free : slot;
            if (slot.hash == hash) return slot;
            if (!free && slot.number < first_) free = &slot;
        }
    }
    // Anew from the waiting firsts, with room for four times as many.
    void Rebuild() {
        std::size_t live = 0;
        for (const Slot& slot : slots_) live += slot.number != kEmpty && slot.number >= first_;
        std::size_t size = 64;
        while (size < live * 4) size *= 2;
        std::vector<Slot> old(size);
        old.swap(slots_);
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.number == kEmpty || slot.number < first_) continue;
            SlotFor(slot.hash) = slot;
            ++used_;
        }
    }

    bool WriteFirst() {
        const Waiting first = waiting_.front();
        const bool written = writer_.Write(std::string_view(bytes_).substr(first.at, first.size), first.repeats);
        waiting_.pop_front();
        ++first_;
        // The written records' bytes go once they are most of the buffer.
        if (waiting_.empty()) {
            bytes_.clear();
        } else if (waiting_.front().at > bytes_.size() / 2 && waiting_.front().at > 1 << 16) {
            const std::size_t gone = waiting_.front().at;
            bytes_.erase(0, gone);
            for (Waiting& w : waiting_) w.at -= gone;
        }
        return written;
    }

    EventWriter& writer_;
    long long window_;
    std::deque<Waiting> waiting_;
    std::size_t first_ = 0;  // the number of waiting_.front() among all added
    std::vector<Slot> slots_;
    std::size_t used_ = 0;  // slots ever taken since the last rebuild
    std::string bytes_;     // the waiting records, in order
};

bool WriteSubtitles(const std::wstring& assPath, const SubtitleSettings& options, const ProgramIdentity& program,
                    const Stage& stage, CharacterWidths& widths, long long longestLead, ExternalSorter& sorter,
                    ExportProgress* progress, SubtitleSummary& summary) {
    AssWriter out;
    if (!out.Open(assPath)) {
        InfoLog << "Error : CreateFile " << ShownPath(assPath) << " (" << static_cast<unsigned long>(out.Error()) << ")"
                << EndLine;
        return false;
    }
    WriteHeader(out, options, program, stage);
    out.EndLine();
    EventWriter writer(out, options, stage, widths, longestLead, summary);
    std::optional<RepeatMerger> merger;
    if (options.MergeRepeats > 0) merger.emplace(writer, options.MergeRepeats);
    const std::size_t count = sorter.Count();
    int shown = -1;
    std::string_view record;
    bool written = true;
    for (std::size_t i = 0; written && sorter.Next(record); ++i) {
        written = merger ? merger->Add(record) : writer.Write(record, 1);
        const int percent = static_cast<int>(i * 100 / count);
        if (percent != shown) {
            shown = percent;
            if (progress) progress->ShowPercent(percent);
        }
    }
    if (written && merger) merger->Finish();
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
        TextMeasure measure(options.FontName);
        CommentDecoder decoder(options, stage, measure, summary, filter, sorter);
        summary.fontFound = measure.FontFound();
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
        if (!WriteSubtitles(assPath, options, program, stage, measure, decoder.LongestLead(), sorter, progress,
                            summary)) {
            return false;
        }
        if (progress) progress->ShowDone();
        InfoLog << "字幕 " << summary.shown << "件 (重ねて表示 " << summary.overlaid << "件)、画面が一杯で省略 "
                << summary.leftOut << "件、上限を超えて省略 " << summary.overCap << "件、重複をまとめて省略 "
                << summary.merged << "件、開始前で省略 " << summary.beforeStart << "件、非表示 " << summary.invisible
                << "件、削除 " << summary.deleted << "件、空白 " << summary.blank << "件、読めずに省略 "
                << summary.unreadable << "件、除外 " << summary.excluded << "件" << EndLine;
        InfoLog << "Save ASS" << EndLine;
        return true;
    } catch (...) {
        return ReportExportFailure("字幕変換処理中に例外が発生しました");
    }
}
