// MSXML documents for text from the network, which may be hostile: no DTD, no
// external resources, no validation.
#pragma once

#include <msxml2.h>

#include <string>

#include "support/com.h"

// A synchronous DOM document with validation and external resources switched
// off and DTDs prohibited where the component knows the property. False when
// the component cannot be created.
bool CreateReplyDocument(ComPtr<IXMLDOMDocument2>& doc);

// True when the bytes hold "<!DOCTYPE" as ASCII or UTF-16 text.
bool DeclaresDocumentType(const std::string& bytes);

// Loads the bytes (the parser honours the declared encoding). False when they
// do not parse or declare a document type, which is refused before parsing.
bool LoadReply(IXMLDOMDocument2* doc, const std::string& bytes);
