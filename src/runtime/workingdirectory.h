#pragma once

#include <string>

// The process's current directory, against which bare file names resolve when a file is opened.
std::string CurrentDirectory();

// Makes the directory current; false when it cannot (missing, removed, not a directory). Callers
// may ignore the answer: the next open then resolves against whatever directory is current.
bool SetCurrentDirectory(const std::string &directory);

// The name as a path from `directory`: unchanged when it is absolute, empty (it names no file) or
// the directory is empty (then it resolves against the current directory).
std::string InDirectory(const std::string &directory, const std::string &name);
