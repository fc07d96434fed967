// A conversion view that remembers what a job showed it.
#pragma once

#include <string>
#include <vector>

#include "jobs/conversion_job.h"

class RecordingView : public ConversionView {
public:
    void ShowPercent(int percent) override { percents.push_back(percent); }
    void ShowDone() override { ++done; }
    void ShowOutcome(const std::string& message, const std::string&) override { outcomes.push_back(message); }
    std::vector<int> percents;
    int done = 0;
    std::vector<std::string> outcomes;
};
