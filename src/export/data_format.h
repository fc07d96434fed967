// Comments as data: the rows of a JSON Lines or CSV file, one per comment, and
// the manifest beside it. Everything here cuts and builds texts (UTF-8);
// reading the comment files and writing the result is data_export's.
// Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/subtitle_markup.h"

enum class DataFormat { JsonLines, Csv };

// "jsonl" or "csv": the --format value, the file extension, the manifest's "format".
const char* DataFormatName(DataFormat format);

// One comment's fields; the views point into the comment being written.
struct DataRow {
    std::string_view thread;
    bool hasNo = false;
    long long no = 0;
    bool hasVpos = false;
    long long vposMs = 0;
    bool hasDate = false;
    long long date = 0;        // Unix seconds
    std::string_view dateIso;  // local time with its offset; empty without a date
    std::string_view mail;
    CommentLook look;         // position, size and colour read from mail
    std::string_view userId;  // hashed already when the ids are not to be shared
    bool premium = false;
    bool anonymity = false;
    long long deleted = 0;
    std::string_view text;
};

// A CSV file starts with a byte-order mark and this header row (CR LF).
void AppendCsvHeader(std::string& out);
// The row: a JSON object and LF, or a CSV record and CR LF.
void AppendDataRow(std::string& out, DataFormat format, const DataRow& row);

// A JSON string with its quotes. Bytes that are not UTF-8 become U+FFFD.
void AppendJsonString(std::string& out, std::string_view utf8);
// A CSV field, quoted when it holds a comma, a quote, a line end or blanks at
// either end (RFC 4180). Bytes that are not UTF-8 become U+FFFD.
void AppendCsvField(std::string& out, std::string_view utf8);

// "2010-01-01T09:00:01+09:00": the local calendar time of the moment with the
// offset it has from UTC.
std::string IsoLocalTime(const std::tm& local, long long unixSeconds);
// The same into a buffer of at least 40 bytes; the end of what was written.
char* PutIsoLocalTime(char* at, const std::tm& local, long long unixSeconds);
// "#RRGGBB".
std::string ColourText(std::uint32_t rgb);

// The comment numbers of one thread as runs of consecutive numbers: memory
// grows with the gaps, not with the comments.
class NumberRanges {
public:
    // Numbers below 0 or at the type's end are not kept.
    void Add(long long number);
    bool Empty() const { return runs_.empty(); }
    long long Min() const { return runs_.begin()->first; }
    long long Max() const { return runs_.rbegin()->second; }
    // The runs between Min() and Max() that no Add gave, [first, last] each.
    std::vector<std::pair<long long, long long>> Missing() const;

private:
    std::map<long long, long long> runs_;  // first -> last, disjoint and not touching
};

struct DataManifest {
    struct Input {
        std::string path;    // UTF-8
        std::string sha256;  // of the file's bytes
        std::string thread;
        std::size_t comments = 0;
    };
    struct Rule {
        std::string rule;  // UTF-8, as written
        std::size_t hits = 0;
    };
    std::string tool, version, created;
    DataFormat format = DataFormat::JsonLines;
    std::vector<Input> inputs;
    std::size_t exported = 0, excluded = 0;
    std::vector<Rule> rules;
    bool hashUsers = false;
    std::vector<std::pair<std::string, NumberRanges>> threads;  // in the order first met
};

// The manifest as JSON, two blanks an indent, LF.
std::string ManifestJson(const DataManifest& manifest);
