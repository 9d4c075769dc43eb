// The bundled demo: a Tallyon Server database of the current schema and settings that point
// at it, made in a folder of their own so that the user's own settings are never touched.
#pragma once

#include <string>

// Creates an SQLite server database at path with the tables DBVersions (one row holding
// version, or none when version < 0), Licenses and LicenseTitles. Raises EADOError on failure.
void CreateServerDatabase(const std::string& path, int version);

// Lays out a demo in folder: config/Brackwater/Tallyon.ini naming server "DEMO" and the
// share root, and shares/DEMO/Dudir$/tyx.mdb. Existing files are kept.
void CreateDemo(const std::string& folder);
