#include "comments/comment_identity.h"

namespace {

// FNV-1a over the bytes, from a seed, then mixed (splitmix64's finaliser) so
// that sums of them stay spread.
std::uint64_t Hash(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t h = seed;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 31);
}

// The value's hash differs from the name's, so that a="b" and b="a" differ.
std::uint64_t AttributeHash(std::string_view name, std::string_view value, std::uint64_t seed) {
    return Hash(value, Hash(name, seed) + 0x9E3779B97F4A7C15ull);
}

}  // namespace

bool SameComment(const ChatElement& a, const ChatElement& b) {
    if (a.TextUtf8() != b.TextUtf8() || a.AttributeCount() != b.AttributeCount()) return false;
    for (std::size_t i = 0; i < a.AttributeCount(); ++i) {
        const std::string name(a.AttributeName(i));
        std::string_view other;
        if (!b.FindAttribute(name.c_str(), other) || other != a.AttributeValue(i)) return false;
    }
    return true;
}

CommentPrint PrintOf(const ChatElement& chat) {
    const std::uint64_t seedHigh = 0xCBF29CE484222325ull, seedLow = 0x84222325CBF29CE4ull;
    CommentPrint print{Hash(chat.TextUtf8(), seedHigh), Hash(chat.TextUtf8(), seedLow)};
    // Summed, so that the order of the attributes does not matter.
    for (std::size_t i = 0; i < chat.AttributeCount(); ++i) {
        print.high += AttributeHash(chat.AttributeName(i), chat.AttributeValue(i), seedHigh);
        print.low += AttributeHash(chat.AttributeName(i), chat.AttributeValue(i), seedLow);
    }
    print.high += chat.AttributeCount();
    return print;
}

bool IdentifyingNumbers::Next(std::string_view chatThread, long long chatNo, const ChatElement& chat,
                              std::string& thread, long long& no) {
    const CommentPrint print = PrintOf(chat);
    if (has_ && chatNo == no_ && chatThread == thread_) {
        if (!(print == print_)) shared_ = true;
        return false;
    }
    const bool settled = Settle(thread, no);
    has_ = true;
    shared_ = false;
    thread_.assign(chatThread.data(), chatThread.size());
    no_ = chatNo;
    print_ = print;
    return settled;
}

bool IdentifyingNumbers::Finish(std::string& thread, long long& no) {
    const bool settled = Settle(thread, no);
    has_ = false;
    return settled;
}

bool IdentifyingNumbers::Settle(std::string& thread, long long& no) {
    if (!has_ || !NumberIdentifies(no_, shared_)) return false;
    thread = thread_;
    no = no_;
    return true;
}
