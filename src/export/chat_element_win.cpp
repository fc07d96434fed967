// The UTF-16 views of an element, through the platform's conversion.
#include "export/comment_reader.h"
#include "support/codepage.h"

std::wstring ChatElement::Attribute(const char* name) const {
    std::string_view value;
    return FindAttribute(name, value) ? Utf8ToWide(value.data(), value.size()) : std::wstring();
}

std::wstring ChatElement::Text() const { return Utf8ToWide(text_.data(), text_.size()); }
