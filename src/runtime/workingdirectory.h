#pragma once

#include <string>

// The process's current directory, against which bare file names resolve when a file is opened.
std::string CurrentDirectory();

// Makes the directory current; false when it cannot (missing, removed, not a directory). Callers
// may ignore the answer: the next open then resolves against whatever directory is current.
bool SetCurrentDirectory(const std::string &directory);
