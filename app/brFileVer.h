// The program file's version as the window caption shows it.
#pragma once

#include <string>

#include "platform/FileVersion.h"

// The whole fixed file-information record of the file's version resource; raises the
// operating system's last error when the file has none or it cannot be read.
TVSFixedFileInfo GetFixedFileInfo(const std::string& fileName);

// The file version as four decimal numbers joined by points, such as "1.0.1.5".
std::string GetFileVersionText(const std::string& fileName);
