#pragma once

#include "runtime/tcolor.h"

#include <cstdint>
#include <string>

// The nine settings of "Ortus00.ini", zero or empty until the file has been read.
struct Settings {
    static constexpr std::size_t PicturePathCapacity = 255;

    std::string BackgroundPicturePath; // at most PicturePathCapacity bytes
    TColor FillColor = 0;
    std::uint8_t UseFillColor = 0;
    TColor QuestionColor = 0;
    TColor SelectedAnswerColor = 0;
    TColor AnswerColor = 0;
    TColor EnlargedAnswerColor = 0;
    std::string ResultsLogPath;
    bool BothMouseButtons = false;
};

inline constexpr const char *SettingsFileName = "Ortus00.ini";
inline constexpr const char *BothButtonsLine = "[Button]=LR";
inline constexpr const char *LeftButtonLine = "[Button]=L";

// What the settings say about the background at start-up.
enum class BackgroundMode { Picture, FillColour, Unchanged };
BackgroundMode StartupBackgroundMode(const Settings &settings);

// Neither function changes the current directory: the file is named by the directory it is in.
// An empty directory names the current one. A path to the file longer than a file name may be is
// refused (code 206) rather than cut to another file's name.

// Reads "Ortus00.ini" from the directory, line by line. The first failing statement raises
// EInOutError; settings read before it keep their values. The file is closed however the reading
// ends.
void ReadSettings(Settings &settings, const std::string &directory);

// Rewrites "Ortus00.ini" in the directory. The new contents go to a temporary file of this
// writer's own, which takes the old file's mode, is flushed to disk and then renamed over the old
// file (over a link's target when the file is a symbolic link). A failure at any point leaves the
// old file whole; the error is raised as EInOutError.
void WriteSettings(const Settings &settings, const std::string &directory);
