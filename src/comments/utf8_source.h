// The bytes of a comment file as UTF-8 with LF line ends, a piece at a time:
// the byte-order mark or the XML declaration picks the encoding, and CR LF and
// a lone CR become LF as XML wants it. What comes out is always well-formed
// UTF-8: bytes that are not a character of the encoding stop the file with an
// error, never a replacement. The control characters XML forbids pass as the
// characters they are, counted; where they may stand is the parser's to say.
// Memory stays the same whatever the size of the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "comments/reader_platform.h"
#include "comments/text_decoders.h"

class Utf8Source {
public:
    Utf8Source();
    ~Utf8Source();

    // False when the file cannot be opened or its encoding is not one we read;
    // Error() says why. watcher, when given, sees the file's bytes as they
    // are read.
    bool OpenFile(const std::wstring& path, ByteWatcher* watcher = nullptr);
    // The same for bytes as a file holds them.
    bool OpenBytes(std::string bytes);

    // Writes up to room bytes to out; 0 at the end of the file or on an error
    // (then Error() is set). A character may be cut between two reads.
    std::size_t Read(char* out, std::size_t room);
    const std::string& Error() const { return error_; }
    // The control characters XML forbids handed out so far.
    std::size_t Controls() const { return controls_ + (decoder_ ? decoder_->Controls() : 0); }

private:
    bool Start();
    bool ReadRaw(char* out, std::size_t room, std::size_t& got);
    // Makes more text ready to hand out; false at the end or on an error.
    bool Produce();
    bool Fault(const std::string& what, unsigned long long at);
    std::size_t Normalise(char* text, std::size_t size);

    std::unique_ptr<FileBytes> file_;
    ByteWatcher* watcher_ = nullptr;
    std::string bytes_;  // the document when it came from memory
    std::size_t bytesAt_ = 0;
    bool rawEnd_ = false;

    Encoding encoding_ = Encoding::Utf8;
    std::unique_ptr<TextDecoder> decoder_;  // null for UTF-8, which is only checked
    std::string raw_;                       // bytes read and not decoded yet
    unsigned long long rawOffset_ = 0;      // where raw_ starts in the file
    // The text ready to hand out: for UTF-8 the checked start of raw_,
    // otherwise the decoder's output.
    std::string decoded_;
    std::size_t readyAt_ = 0, readyEnd_ = 0;
    bool lastWasCr_ = false;    // a CR ended the last piece: an LF opening the next is dropped
    std::size_t controls_ = 0;  // in UTF-8 (the decoders count their own)
    std::string error_;
};
