// Reads a comment file as a stream and hands out its chat elements one at a
// time, in document order. Memory holds a piece of the file and the element
// being read, never the whole file: a file of any size reads in the same room.
//
//     CommentReader reader;
//     if (!reader.Open(path)) ... reader.Error()
//     while (reader.Next()) Use(reader.Chat());
//     if (reader.Failed()) ... reader.Error()
//
// A malformed file is noticed only where the stream reaches the fault, so a
// caller that must not act on half a file checks it whole first (CheckFile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comments/reader_platform.h"

class Utf8Source;

// One element of a comment file with its attributes and its text, a value of
// its own (copies stay valid after the reader has moved on).
class ChatElement {
public:
    // The attribute's value with references resolved; empty when missing.
    std::wstring Attribute(const char* name) const;
    // The attribute read as a decimal integer the lenient way: leading blanks,
    // a sign, digits up to the first other character. 0 when the attribute is
    // missing or unusable: no digits, or a number beyond the range of long
    // long (which never turns into another number).
    long long Integer(const char* name) const;
    // The same, false when the attribute is missing or unusable.
    bool FindInteger(const char* name, long long& value) const;
    // All character data inside the element, references resolved.
    std::wstring Text() const;
    // A placeholder of a deleted comment ("deleted" above 0), which the site
    // never shows: it is listed and exported, never counted as on the screen.
    bool Deleted() const { return Integer("deleted") > 0; }

    // The same in UTF-8, for copying elements into another file. Names are
    // XML names; values and text are well-formed UTF-8, which may hold the
    // control characters XML forbids (NUL too): comments carry them, and they
    // are read as the characters they are.
    std::size_t AttributeCount() const { return attributes_.size(); }
    std::string_view AttributeName(std::size_t i) const;
    std::string_view AttributeValue(std::size_t i) const;
    // False when the attribute is missing.
    bool FindAttribute(const char* name, std::string_view& value) const;
    const std::string& TextUtf8() const { return text_; }

    // For building an element by hand.
    void Clear();
    void AddAttribute(std::string_view name, std::string_view value);
    void SetText(std::string_view utf8) { text_.assign(utf8.data(), utf8.size()); }

private:
    friend class CommentReader;
    struct Entry {
        std::uint32_t name, nameSize, value, valueSize;  // offsets into data_
    };
    // The reader copies a start tag whole and points into it; values that
    // needed resolving follow it.
    std::string data_;
    std::vector<Entry> attributes_;
    std::string text_;
};

class CommentReader {
public:
    // What one element may hold; a file beyond is refused, so that memory stays
    // bounded for any file. No comment file comes near them.
    static constexpr std::size_t kLongestTag = 1024 * 1024;       // a start or end tag, in the text read
    static constexpr std::size_t kLongestName = 1000;             // an element or attribute name
    static constexpr std::size_t kLongestText = 4 * 1024 * 1024;  // a chat's text, references resolved

    CommentReader();
    ~CommentReader();
    CommentReader(const CommentReader&) = delete;
    CommentReader& operator=(const CommentReader&) = delete;

    // Opens the file and works out its encoding. False when it is missing,
    // unreadable or in an encoding we cannot read; Error() then says why.
    // watcher, when given, sees every byte of the file as it is read.
    bool Open(const std::wstring& path, ByteWatcher* watcher = nullptr);
    // The same for a document in memory (bytes as a file holds them).
    bool OpenText(std::string bytes);
    // Lets the file go (the elements read so far stay).
    void Close();

    // Moves to the next element named "chat" below the root element, at any
    // depth, in document order (a chat inside another chat is refused). False
    // at the end of the document or when the file turned out malformed
    // (Failed() tells which).
    bool Next();
    // The current chat element; valid until the next call of Next().
    const ChatElement& Chat() const { return current_; }

    // The first "thread" and "view_counter" children of the root element
    // passed so far (their attributes only); null when none has been read.
    const ChatElement* ThreadElement() const { return hasThread_ ? &thread_ : nullptr; }
    const ChatElement* ViewCounter() const { return hasViewCounter_ ? &viewCounter_ : nullptr; }
    // The root element's name; empty until it has been read.
    const std::string& RootName() const { return root_; }
    // The control characters XML forbids read so far (raw or as references,
    // in text and attribute values): read as data, never a reason to refuse.
    std::size_t ControlCharacters() const;

    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

    // Reads the whole file once without keeping any element: true when it is
    // well-formed and readable; chats counts its chat elements, controls (when
    // given) its control characters. A bad file gives the error the stream gives.
    static bool CheckFile(const std::wstring& path, std::size_t& chats, std::string& error,
                          std::size_t* controls = nullptr);

private:
    struct Parser;
    bool Start(const std::function<bool(Utf8Source& source)>& open);

    std::unique_ptr<Parser> parser_;
    ChatElement current_;
    ChatElement thread_, viewCounter_;
    bool hasThread_ = false, hasViewCounter_ = false;
    std::string root_;
    std::size_t controlsRead_ = 0;  // kept when the file is let go
    std::string error_;
};

// The log line for a comment file that cannot be read, error as Error() gives
// it; path as the log shows it.
std::string UnreadableCommentFileLine(const std::string& path, const std::string& error);

// The log line for a file that held count control characters XML forbids
// (one line per file, logged by whoever read it).
std::string ControlCharactersLine(std::size_t count);
