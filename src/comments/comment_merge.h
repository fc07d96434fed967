// Several comment files of one thread into one file (the merge itself:
// merge_stream.h).
#pragma once

#include <string>
#include <vector>

#include "comments/merge_stream.h"

// Writes the merged file at output through a temporary file, so an existing
// file there (even one of the inputs) is replaced only by a complete one that
// reads back as what the merge meant to write. Failures are logged.
MergeResult MergeCommentFiles(const std::vector<std::wstring>& inputs, const std::wstring& output,
                              const MergeOptions& options);
