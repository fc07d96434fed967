// Texts in the encodings comment files come in, made with the platform's own
// tables, for tests of the reader.
#pragma once

#include <string>

#include "comments/text_decoders.h"

// The bytes of text in the encoding, with no byte-order mark; throws
// std::runtime_error when a character has no form in it.
std::string EncodeAs(const std::wstring& text, Encoding encoding);
