// Finding and answering the program's dialogs from the test. A message box
// shown on the test's own thread blocks it, so boxes are answered from a
// thread of their own.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "support/handles.h"

// The first top-level window (of any process) that matches, or null.
HWND FindTopLevelWindow(const std::function<bool(HWND window)>& match);
std::string ClassOf(HWND window);
DWORD ProcessOf(HWND window);
// A visible top-level dialog of this process with that title, or null.
HWND FindDialog(const std::string& title);
// The text of a message box.
std::string MessageBoxText(HWND box);

// Answers every message box captioned with the program's name with the
// button set at the time (IDOK by default) and keeps their texts. onBox runs
// on the answering thread just before the answer.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    void SetButton(int button);
    void OnBox(std::function<void(HWND box)> onBox);
    std::vector<std::string> Texts();
    void Clear();

private:
    static unsigned __stdcall Run(void* self);
    void Poll();

    std::mutex mutex_;
    int button_ = IDOK;
    std::function<void(HWND)> onBox_;
    std::vector<std::string> texts_;
    std::vector<HWND> answered_;
    KernelHandle stop_;
    KernelHandle thread_;
};

// One answer to a file dialog: the path typed (empty: cancel) and, from 1,
// the type chosen first (0: as shown).
struct FileAnswer {
    std::wstring path;
    int type = 0;
};

// Answers the next file dialogs or folder browsers owned by the window, one
// after the other, from a thread of its own: types the path (every character,
// as the user types) or selects the folder and presses OK, or cancels when
// the path is empty.
class FileDialogAnswer {
public:
    FileDialogAnswer(HWND owner, std::wstring path)
        : FileDialogAnswer(owner, std::vector<FileAnswer>{{std::move(path)}}) {}
    FileDialogAnswer(HWND owner, std::vector<FileAnswer> answers);
    ~FileDialogAnswer();
    FileDialogAnswer(const FileDialogAnswer&) = delete;
    FileDialogAnswer& operator=(const FileDialogAnswer&) = delete;

    // Every dialog came and was answered.
    bool Answered() const;

private:
    static unsigned __stdcall Run(void* self);

    HWND owner_;
    std::vector<FileAnswer> answers_;
    bool answered_ = false;
    KernelHandle thread_;
};
