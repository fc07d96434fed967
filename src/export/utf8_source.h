// The bytes of a comment file as UTF-8 with LF line ends, a piece at a time:
// the byte-order mark or the XML declaration picks the encoding, and CR LF and
// a lone CR become LF as XML wants it. Memory stays the same whatever the size
// of the file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "support/handles.h"

class Utf8Source {
public:
    // False when the file cannot be opened or its encoding is not one we read;
    // Error() says why.
    bool OpenFile(const std::string& path);
    // The same for bytes as a file holds them.
    bool OpenBytes(std::string bytes);

    // Writes up to room bytes to out; 0 at the end of the file or on a read
    // error (then Error() is set). Never splits a character of the encoding.
    std::size_t Read(char* out, std::size_t room);
    const std::string& Error() const { return error_; }

private:
    enum class Kind { Utf8, Utf16Le, Utf16Be, CodePage };

    bool Start();
    std::size_t ReadRaw(char* out, std::size_t room);
    // Converts the next raw piece into converted_; false at the end.
    bool ConvertMore();
    std::size_t Normalise(char* text, std::size_t size);

    FileHandle file_;
    std::string bytes_;  // the document when it came from memory
    std::size_t bytesAt_ = 0;
    bool rawEnd_ = false;

    Kind kind_ = Kind::Utf8;
    UINT codePage_ = CP_UTF8;
    std::string raw_;        // raw bytes not converted yet (a split character)
    std::string converted_;  // UTF-8 waiting to be handed out
    std::size_t convertedAt_ = 0;
    bool lastWasCr_ = false;  // a CR ended the last piece: an LF opening the next is dropped
    std::string error_;
};
