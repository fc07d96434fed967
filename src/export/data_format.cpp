#include "export/data_format.h"

#include <climits>
#include <iterator>

#include "comments/xml_chars.h"
#include "support/byte_scan.h"

namespace {

const char* const kFields[] = {"thread", "no",    "vpos_ms", "date",    "date_iso",  "mail",    "position",
                               "size",   "color", "user_id", "premium", "anonymity", "deleted", "text"};

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

void AppendNumber(std::string& out, long long value) {
    char digits[24];
    out.append(digits, static_cast<std::size_t>(PutDecimal(digits, value) - digits));
}

// As printf's "%0*d": the sign, then digits filled with "0" to the width.
char* PutPadded(char* at, long long value, int width) {
    char digits[24];
    const char* end = PutDecimal(digits, value < 0 ? -value : value);
    if (value < 0) {
        *at++ = '-';
        --width;
    }
    for (long long fill = width - (end - digits); fill > 0; --fill) *at++ = '0';
    for (const char* d = digits; d != end; ++d) *at++ = *d;
    return at;
}

char* PutAscii(char* at, const wchar_t* word) {
    while (*word) *at++ = static_cast<char>(*word++);
    return at;
}

char* PutColour(char* at, std::uint32_t rgb) {
    *at++ = '#';
    return PutHex(at, rgb, 6);
}

bool JsonSpecial(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// The first byte of [at, end) that JSON escapes, or end; sixteen at a time.
const char* FindJsonSpecial(const char* at, const char* end) {
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), del = _mm_set1_epi8(0x7F),
                  control = _mm_set1_epi8(0x1F);
    for (; end - at >= 16; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, del), _mm_cmpeq_epi8(_mm_min_epu8(v, control), v)));
        if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits))) return at + LowestBit(mask);
    }
    while (at != end && !JsonSpecial(*at)) ++at;
    return at;
}

// Whether every byte is ASCII from U+0020 up (and, for JSON, none it escapes):
// such a text needs neither checking nor care.
bool PlainAscii(std::string_view text, bool json) {
    const __m128i control = _mm_set1_epi8(0x1F);
    const char* at = text.data();
    const char* const end = at + text.size();
    for (; end - at >= 16; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        // High bit: not ASCII; min with 0x1F equal to the byte: a control character.
        if (_mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(_mm_min_epu8(v, control), v)))) return false;
    }
    for (; at != end; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        if (c < 0x20 || c >= 0x80) return false;
    }
    return !json || FindJsonSpecial(text.data(), end) == end;
}

// Calls plain(run) for runs of well-formed text, with U+FFFD for each byte
// that opens no character; with json, the ASCII bytes JSON escapes go to
// special(byte).
template <typename Plain, typename Special>
void WalkUtf8(std::string_view text, bool json, Plain plain, Special special) {
    if (PlainAscii(text, json)) {
        plain(text);
        return;
    }
    std::size_t start = 0, i = 0;
    while (i < text.size()) {
        TextFault fault;
        const std::size_t whole = CheckUtf8(text.data() + i, text.size() - i, fault);
        // Within a run of whole characters, only the ASCII bytes may need care.
        const std::size_t end = i + whole;
        while (json) {
            i = static_cast<std::size_t>(FindJsonSpecial(text.data() + i, text.data() + end) - text.data());
            if (i == end) break;
            plain(text.substr(start, i - start));
            special(text[i]);
            start = ++i;
        }
        i = end;
        if (i == text.size()) break;
        plain(text.substr(start, i - start));
        if (fault == TextFault::Control) {
            special(text[i]);  // a control character is whole; its own care decides
        } else {
            plain(std::string_view(kReplacement, 3));
        }
        start = ++i;
    }
    plain(text.substr(start));
}

bool CsvNeedsQuotes(std::string_view text) {
    if (text.empty()) return false;
    return text.find_first_of(",\"\r\n") != std::string_view::npos || text.front() == ' ' || text.back() == ' ' ||
           text.front() == '\t' || text.back() == '\t';
}

long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void Indent(std::string& out, int level) { out.append(static_cast<std::size_t>(level) * 2, ' '); }

}  // namespace

const char* DataFormatName(DataFormat format) { return format == DataFormat::Csv ? "csv" : "jsonl"; }

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    WalkUtf8(
        utf8, true, [&](std::string_view run) { out.append(run.data(), run.size()); },
        [&](char c) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default: {
                    const unsigned code = static_cast<unsigned char>(c);
                    const char escaped[] = {
                        '\\', 'u', '0', '0', "0123456789abcdef"[code >> 4], "0123456789abcdef"[code & 15]};
                    out.append(escaped, sizeof escaped);
                }
            }
        });
    out += '"';
}

void AppendCsvField(std::string& out, std::string_view utf8) {
    const bool quoted = CsvNeedsQuotes(utf8);
    if (quoted) out += '"';
    WalkUtf8(
        utf8, false,
        [&](std::string_view run) {
            if (!quoted) {
                out.append(run.data(), run.size());
                return;
            }
            for (char c : run) {
                if (c == '"') out += '"';
                out += c;
            }
        },
        [&](char c) { out += c; });  // a control character, as received
    if (quoted) out += '"';
}

void AppendCsvHeader(std::string& out) {
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        if (i != 0) out += ',';
        out += kFields[i];
    }
    out += "\r\n";
}

// The fields between the row's texts are built in a buffer of their own and
// handed over whole: a call per piece costs more than the piece under Wine.
void AppendDataRow(std::string& out, DataFormat format, const DataRow& row) {
    char fields[256];
    char* at = fields;
    const auto flush = [&] {
        out.append(fields, static_cast<std::size_t>(at - fields));
        at = fields;
    };
    if (format == DataFormat::Csv) {
        const auto number = [&](bool has, long long value) {
            if (has) at = PutDecimal(at, value);
            *at++ = ',';
        };
        AppendCsvField(out, row.thread);
        *at++ = ',';
        number(row.hasNo, row.no);
        number(row.hasVpos, row.vposMs);
        number(row.hasDate, row.date);
        for (char c : row.dateIso) *at++ = c;
        *at++ = ',';
        flush();
        AppendCsvField(out, row.mail);
        *at++ = ',';
        at = PutAscii(at, MailWordFor(row.look.position));
        *at++ = ',';
        at = PutAscii(at, MailWordFor(row.look.size));
        *at++ = ',';
        at = PutColour(at, row.look.colour);
        *at++ = ',';
        flush();
        AppendCsvField(out, row.userId);
        at = PutText(at, row.premium ? ",1," : ",0,");
        at = PutText(at, row.anonymity ? "1," : "0,");
        at = PutDecimal(at, row.deleted);
        *at++ = ',';
        flush();
        AppendCsvField(out, row.text);
        out += "\r\n";
        return;
    }
    const auto number = [&](const char* key, bool has, long long value) {
        at = PutText(at, key);
        at = has ? PutDecimal(at, value) : PutText(at, "null");
    };
    out += "{\"thread\":";
    AppendJsonString(out, row.thread);
    number(",\"no\":", row.hasNo, row.no);
    number(",\"vpos_ms\":", row.hasVpos, row.vposMs);
    number(",\"date\":", row.hasDate, row.date);
    at = PutText(at, ",\"date_iso\":");
    flush();
    if (row.dateIso.empty()) {
        out += "null";
    } else {
        AppendJsonString(out, row.dateIso);
    }
    at = PutText(at, ",\"mail\":");
    flush();
    AppendJsonString(out, row.mail);
    at = PutAscii(PutText(at, ",\"position\":\""), MailWordFor(row.look.position));
    at = PutAscii(PutText(at, "\",\"size\":\""), MailWordFor(row.look.size));
    at = PutColour(PutText(at, "\",\"color\":\""), row.look.colour);
    at = PutText(at, "\",\"user_id\":");
    flush();
    AppendJsonString(out, row.userId);
    at = PutText(at, row.premium ? ",\"premium\":true" : ",\"premium\":false");
    at = PutText(at, row.anonymity ? ",\"anonymity\":true" : ",\"anonymity\":false");
    number(",\"deleted\":", true, row.deleted);
    at = PutText(at, ",\"text\":");
    flush();
    AppendJsonString(out, row.text);
    out += "}\n";
}

char* PutIsoLocalTime(char* at, const std::tm& local, long long unixSeconds) {
    const long long asUtc = DaysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                                          static_cast<unsigned>(local.tm_mday)) *
                                86400 +
                            local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    const long long offset = asUtc - unixSeconds;
    const long long minutes = (offset < 0 ? -offset : offset) / 60;
    at = PutPadded(at, local.tm_year + 1900LL, 4);
    const struct {
        char before;
        int value;
    } parts[] = {
        {'-', local.tm_mon + 1}, {'-', local.tm_mday}, {'T', local.tm_hour}, {':', local.tm_min}, {':', local.tm_sec}};
    for (const auto& part : parts) {
        *at++ = part.before;
        at = PutPadded(at, part.value, 2);
    }
    *at++ = offset < 0 ? '-' : '+';
    at = PutPadded(at, minutes / 60, 2);
    *at++ = ':';
    return PutPadded(at, minutes % 60, 2);
}

std::string IsoLocalTime(const std::tm& local, long long unixSeconds) {
    char text[64];
    return std::string(text, PutIsoLocalTime(text, local, unixSeconds));
}

std::string ColourText(std::uint32_t rgb) {
    char text[8];
    return std::string(text, PutColour(text, rgb & 0xFFFFFF));
}

void NumberRanges::Add(long long number) {
    if (number < 0 || number == LLONG_MAX) return;
    auto next = runs_.upper_bound(number);  // the first run starting after the number
    if (next != runs_.begin()) {
        const auto previous = std::prev(next);
        if (previous->second >= number) return;
        if (previous->second == number - 1) {
            previous->second = number;
            if (next != runs_.end() && next->first == number + 1) {
                previous->second = next->second;
                runs_.erase(next);
            }
            return;
        }
    }
    if (next != runs_.end() && next->first == number + 1) {
        const long long last = next->second;
        runs_.erase(next);
        runs_.emplace(number, last);
        return;
    }
    runs_.emplace(number, number);
}

std::vector<std::pair<long long, long long>> NumberRanges::Missing() const {
    std::vector<std::pair<long long, long long>> missing;
    for (auto run = runs_.begin(); run != runs_.end() && std::next(run) != runs_.end(); ++run) {
        missing.emplace_back(run->second + 1, std::next(run)->first - 1);
    }
    return missing;
}

std::string ManifestJson(const DataManifest& m) {
    std::string out = "{\n";
    auto key = [&](int level, const char* name) {
        Indent(out, level);
        out += '"';
        out += name;
        out += "\": ";
    };
    auto text = [&](int level, const char* name, std::string_view value, bool last = false) {
        key(level, name);
        AppendJsonString(out, value);
        out += last ? "\n" : ",\n";
    };
    auto number = [&](int level, const char* name, long long value, bool last = false) {
        key(level, name);
        AppendNumber(out, value);
        out += last ? "\n" : ",\n";
    };
    // "name": [ items ] with each item written by item(i), one per line.
    auto list = [&](int level, const char* name, std::size_t count, auto item) {
        key(level, name);
        if (count == 0) {
            out += "[],\n";
            return;
        }
        out += "[\n";
        for (std::size_t i = 0; i < count; ++i) {
            Indent(out, level + 1);
            out += "{\n";
            item(i);
            Indent(out, level + 1);
            out += i + 1 < count ? "},\n" : "}\n";
        }
        Indent(out, level);
        out += "],\n";
    };
    text(1, "tool", m.tool);
    text(1, "version", m.version);
    text(1, "created", m.created);
    text(1, "format", DataFormatName(m.format));
    list(1, "inputs", m.inputs.size(), [&](std::size_t i) {
        text(3, "path", m.inputs[i].path);
        text(3, "sha256", m.inputs[i].sha256);
        text(3, "thread", m.inputs[i].thread);
        number(3, "comments", static_cast<long long>(m.inputs[i].comments), true);
    });
    number(1, "exported", static_cast<long long>(m.exported));
    number(1, "excluded", static_cast<long long>(m.excluded));
    list(1, "rules", m.rules.size(), [&](std::size_t i) {
        text(3, "rule", m.rules[i].rule);
        number(3, "hits", static_cast<long long>(m.rules[i].hits), true);
    });
    key(1, "hash_users");
    out += m.hashUsers ? "true,\n" : "false,\n";
    list(1, "threads", m.threads.size(), [&](std::size_t i) {
        const NumberRanges& numbers = m.threads[i].second;
        text(3, "thread", m.threads[i].first);
        if (numbers.Empty()) {  // no comment of the thread had a number
            key(3, "no_min"), out += "null,\n";
            key(3, "no_max"), out += "null,\n";
        } else {
            number(3, "no_min", numbers.Min());
            number(3, "no_max", numbers.Max());
        }
        key(3, "missing");
        out += '[';
        const auto missing = numbers.Missing();
        for (std::size_t k = 0; k < missing.size(); ++k) {
            if (k != 0) out += ", ";
            out += '[';
            AppendNumber(out, missing[k].first);
            out += ", ";
            AppendNumber(out, missing[k].second);
            out += ']';
        }
        out += "]\n";
    });
    // The last member has no comma.
    out.resize(out.size() - 2);
    out += "\n}\n";
    return out;
}
