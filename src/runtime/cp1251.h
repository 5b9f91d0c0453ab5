#pragma once

#include <QString>

#include <string>

// Windows code page 1251, the one single-byte character set of files and quiz state; widgets hold
// QString. The table maps every byte, so bytes survive a round trip through QString unchanged.

// Characters that code page 1251 cannot hold become "?".
std::string ToCp1251(const QString &text);
QString FromCp1251(const std::string &bytes);
