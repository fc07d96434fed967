// Reads a comment file into memory and hands out its chat elements in
// document order. The XML parser behind it is private to comment_reader.cpp,
// so it can be swapped without touching the export.
#pragma once

#include <memory>
#include <string>
#include <vector>

// One chat element of a loaded file; valid while its reader lives.
class ChatElement {
public:
    // The attribute's value with references resolved; empty when missing.
    std::wstring Attribute(const char* name) const;
    // The attribute read as a decimal integer the lenient way: leading blanks,
    // a sign, digits up to the first other character; 0 without digits or
    // without the attribute.
    long long Integer(const char* name) const;
    // All character data inside the element, references resolved.
    std::wstring Text() const;

private:
    friend class CommentReader;
    explicit ChatElement(const void* node) : node_(node) {}
    const void* node_;
};

class CommentReader {
public:
    CommentReader();
    ~CommentReader();
    CommentReader(const CommentReader&) = delete;
    CommentReader& operator=(const CommentReader&) = delete;

    // Loads the whole file. False when it is missing, unreadable, in an
    // encoding we cannot read or not well-formed; Error() then says why.
    bool Load(const std::string& path);
    // The same for a document already in memory (bytes as a file holds them).
    bool LoadText(std::string bytes);
    const std::string& Error() const { return error_; }

    // The elements named "chat" below the root element, at any depth, in
    // document order.
    const std::vector<ChatElement>& Chats() const { return chats_; }

private:
    struct Document;
    std::unique_ptr<Document> doc_;
    std::vector<ChatElement> chats_;
    std::string error_;
};
