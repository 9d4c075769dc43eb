// The program's version record, kept in its own section of the program file so that the
// file-version routines read it back from the file itself.
#include "platform/FileVersion.h"

__attribute__((section(".tyversion"), used)) const std::array<uint8_t, kVersionBlockSize>
    kProgramVersionBlock =
        MakeVersionBlock(VERSION_MAJOR, VERSION_MINOR, VERSION_RELEASE, VERSION_BUILD);
