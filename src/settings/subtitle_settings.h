// The options of the subtitle export (INI section "subtitle"), and the one
// table that names them for the INI file, the console's options, its help and
// the record a subtitle file keeps of the options it was made with.
#pragma once

#include <string>
#include <vector>

// Decimal options are kept in hundredths, so every computation with them is
// exact and the same options always give the same file.
struct SubtitleSettings {
    int StageWidth = 1920;  // the subtitle's own pixels; players scale them to the video
    int StageHeight = 1080;
    std::string FontName = "MS PGothic";
    int FontSize = 625;       // medium size, hundredths of a percent of the stage height (6.25%)
    int BigScale = 150;       // hundredths: big is 1.5 times medium
    int SmallScale = 60;      // hundredths: small is 0.6 times medium
    int Opacity = 100;        // percent
    int ScrollTime = 400;     // hundredths of a second to cross the stage
    int FixedTime = 300;      // hundredths of a second a top or bottom comment stays
    int ScrollArea = 100;     // percent of the stage, from the top, that scrolling comments use
    int ReservedBottom = 0;   // percent of the stage, at the bottom, kept free of comments
    int MinGap = 16;          // pixels between two scrolling comments of one lane
    int OverlayWhenFull = 0;  // 1: a comment without a free lane goes over the one that frees soonest
    std::string Exclude;      // regular expression of comment texts to leave out
    int MergeRepeats = 0;     // hundredths of a second; repeats of a text within it drawn once, 0 off
    int Offset = 0;           // hundredths of a second every comment moves by
    std::string OffsetMap;    // "M:SS=+S,..." offsets from moments of the video on; replaces Offset
    int MaxOnScreen = 0;      // most comments drawn at once, 0 no cap
};

// One piece of an offset map: from the moment on (hundredths, the site's
// moments) every comment moves by offset (hundredths).
struct OffsetPiece {
    long long from;
    int offset;
};

// "M:SS=+S,H:MM:SS.CC=-S.CC,...", moments rising; a value without a sign is
// positive. Empty text is an empty map. False (error says why) otherwise.
bool ParseOffsetMap(const std::string& text, std::vector<OffsetPiece>& pieces, std::string& error);

struct SubtitleOption {
    enum Kind { Integer, Hundredths, Flag, Text };
    const char* key;     // INI key, and the name in the file's record
    const char* option;  // console option, without "--"
    Kind kind;
    int SubtitleSettings::*number;        // Integer, Hundredths, Flag
    std::string SubtitleSettings::*text;  // Text
    int min, max;                         // in the stored unit
    const char* help;                     // one line for --help
    // Options added later are recorded in a subtitle file only when they are
    // not at their default, so files made without them keep their bytes.
    bool recordedWhenSet = false;
    // Checks a Text value; null when any text will do.
    bool (*check)(const std::string& value, std::string& error) = nullptr;
};

const std::vector<SubtitleOption>& SubtitleOptions();

// The value as the INI file and the record write it ("6.25", "1920", "MS PGothic").
std::string SubtitleOptionValue(const SubtitleSettings& settings, const SubtitleOption& option);

// Sets the option from its text. False (settings unchanged) when the text is
// not a value of the option's kind or lies outside its range; error says why.
bool SetSubtitleOption(SubtitleSettings& settings, const SubtitleOption& option, const std::string& value,
                       std::string& error);

// Reads the "subtitle" section: a missing key keeps its default, a value that
// does not fit keeps the default too.
SubtitleSettings LoadSubtitleSettings(const std::wstring& iniPath);
// Writes the keys the section lacks, with their values, so that users find them;
// false when the file could not be written.
bool WriteMissingSubtitleKeys(const std::wstring& iniPath, const SubtitleSettings& settings);
