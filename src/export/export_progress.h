// How far an export has come, for whoever shows it (the main window's title,
// the console's percentage).
#pragma once

// Where an export shows how far it has come (the main window's title).
class ExportProgress {
public:
    virtual ~ExportProgress() = default;
    // Called after a line is written, only when the percentage has changed.
    virtual void ShowPercent(int percent) = 0;
    // Called once after the last line.
    virtual void ShowDone() = 0;
};
