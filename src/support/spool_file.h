// A temporary file in the system's temp folder that the system removes once
// it is closed, even when the process ends abruptly: intermediate results
// never stay behind.
#pragma once

#include <windows.h>

#include <string>

#include "support/handles.h"

class SpoolFile {
public:
    // False when the file cannot be made.
    bool Create();
    HANDLE Handle() const { return file_.get(); }
    // Others may open the path for reading while this object lives.
    const std::wstring& Path() const { return path_; }

private:
    FileHandle file_;
    std::wstring path_;
};
