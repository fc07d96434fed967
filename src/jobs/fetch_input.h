// The check of the form before a fetch, without the window: the main window
// shows the message and moves the focus; the console companion prints it.
#pragma once

#include <ctime>
#include <string>

#include "settings/settings.h"
#include "support/text.h"  // LeadingNumber, which the form readers use with these

enum class InputField { None, Address, SaveFolder, Count, CountSelectAll, PastDate };

struct InputCheck {
    bool ok = true;
    std::string message;                  // what to tell the user when !ok
    InputField focus = InputField::None;  // where the window puts the focus
};

// The checks in their order; the first failure ends them. A missing save
// folder whose parent exists is created here.
InputCheck ValidateFetchInput(const FormValues& form);

// The past-log date the form asks for: all zero when the past-log box is off,
// else year - 1900, month - 1, day, hour, minute, second.
std::tm PastDateFromForm(const FormValues& form);
