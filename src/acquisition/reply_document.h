// The MSXML document that serialises the thread request: no DTD, no external
// resources, no validation.
#pragma once

#include <msxml2.h>

#include <string>

#include "support/com.h"

// A synchronous DOM document with validation and external resources switched
// off and DTDs prohibited where the component knows the property. False when
// the component cannot be created.
bool CreateReplyDocument(ComPtr<IXMLDOMDocument2>& doc);
