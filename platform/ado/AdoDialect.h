// The server statements are written in the Jet dialect; the store underneath speaks SQLite.
// This turns one into the other: "SELECT TOP n ..." becomes "... LIMIT n", "@@IDENTITY" the
// identity of the connection's last insert. UCASE and LCASE are functions registered on the
// connection. Parameter markers (":Name") are the same in both.
#pragma once

#include <string>
#include <vector>

std::string TranslateJetSql(const std::string& sql);

// The names of the ":Name" markers in a statement, in order of first appearance, skipping
// quoted texts and names; a name that appears twice is listed once.
std::vector<std::string> ParseParameterNames(const std::string& sql);
