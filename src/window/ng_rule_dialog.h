// "NGルールを編集(&E)...": dialog 108 holds the rule file in a multi-line
// Unicode box, so any character can be typed. OK checks every line first: a
// line that does not parse is named in a message and selected, and the dialog
// stays; otherwise the file is written (UTF-8, CR LF) and the dialog closes.
// "キャンセル", Esc and the close box write nothing, after a question when the
// text was changed. Main thread; modal.
#pragma once

#include <windows.h>

void RunNgRuleDialog(HWND main);
