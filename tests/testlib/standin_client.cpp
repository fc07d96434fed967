#include "testlib/standin_client.h"

#include <windows.h>
#include <wininet.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "support/codepage.h"
#include "support/internet_handle.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A plain GET through WinINet, so that cookies land in the process's store.
std::string Get(const std::string& url) {
    InternetHandle root(InternetOpenA("KometoriTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!root) return "";
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    InternetHandle request(InternetOpenUrlA(root.get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request) return "";
    std::string body;
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0) body.append(buffer, read);
    return body;
}

std::string Control(const std::string& action) { return Get(Env("KOMETORI_STANDIN_CONTROL") + action); }

// Just enough JSON for the log: arrays, objects and strings.
class LogReader {
public:
    explicit LogReader(const std::string& text) : s_(text) {}

    std::vector<StandinRequest> Requests() {
        std::vector<StandinRequest> out;
        if (!Take('[')) return out;
        while (Peek() == '{') {
            StandinRequest r;
            ++pos_;
            while (Peek() == '"') {
                std::string key = String();
                Take(':');
                if (Peek() == '{') {
                    ++pos_;
                    while (Peek() == '"') {
                        std::string name = String();
                        Take(':');
                        r.headers[name] = String();
                        Take(',');
                    }
                    Take('}');
                } else {
                    std::string value = String();
                    if (key == "role")
                        r.role = value;
                    else if (key == "method")
                        r.method = value;
                    else if (key == "path")
                        r.path = value;
                    else if (key == "query")
                        r.query = value;
                    else if (key == "body")
                        r.body = value;
                }
                Take(',');
            }
            Take('}');
            out.push_back(r);
            Take(',');
        }
        return out;
    }

private:
    char Peek() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
            ++pos_;
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    void AppendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    unsigned Hex4() {
        if (pos_ + 4 > s_.size()) return 0;
        unsigned v = std::strtoul(s_.substr(pos_, 4).c_str(), nullptr, 16);
        pos_ += 4;
        return v;
    }
    std::string String() {
        std::string out;
        if (!Take('"')) return out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (c != '\\' || pos_ >= s_.size()) {
                out += c;
                continue;
            }
            char e = s_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    unsigned cp = Hex4();
                    // A surrogate pair names one character beyond the BMP.
                    if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(pos_, 2, "\\u") == 0) {
                        pos_ += 2;
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (Hex4() - 0xDC00);
                    }
                    AppendUtf8(out, cp);
                    break;
                }
                default: out += e;  // \" \\ \/
            }
        }
        ++pos_;
        return out;
    }

    const std::string& s_;
    size_t pos_ = 0;
};

}  // namespace

std::string StandinMainHost() { return Env("KOMETORI_STANDIN_MAIN"); }
std::string StandinSecureHost() { return Env("KOMETORI_STANDIN_SECURE"); }
std::string StandinMessageUrl() { return Env("KOMETORI_STANDIN_MESSAGE"); }
std::string StandinAuthor() { return Env("KOMETORI_STANDIN_AUTHOR"); }
bool StandinAvailable() { return !Env("KOMETORI_STANDIN_CONTROL").empty(); }

std::string StandinLog() { return Control("log"); }
void StandinReset() { Control("reset"); }

void StandinFault(const std::string& role, const std::string& kind, int count) {
    Control("fault?role=" + role + "&kind=" + kind + "&count=" + std::to_string(count));
}

void StandinRelease() { Control("release"); }

void StandinSet(const std::string& name, const std::string& value) {
    // The control interface reads UTF-8, percent-encoded.
    std::string query = name + "=";
    for (unsigned char c : WideToUtf8(AnsiToWide(value))) {
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_') {
            query += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            query += escape;
        }
    }
    Control("set?" + query);
}

std::string StandinSignIn(const std::string& account) { return Control("signin?account=" + account); }
void StandinSignOut() { Control("signout"); }

std::vector<StandinRequest> StandinRequests() {
    std::string text = StandinLog();
    return LogReader(text).Requests();
}

std::vector<std::string> StandinBodies(const std::string& role) {
    std::vector<std::string> bodies;
    for (const StandinRequest& r : StandinRequests()) {
        if (r.role == role && r.method == "POST") bodies.push_back(r.body);
    }
    return bodies;
}
