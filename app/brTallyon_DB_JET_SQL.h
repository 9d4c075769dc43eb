// The tool's statements for the Tallyon Server database, one routine per statement.
#pragma once

#include <string>

std::string SqlInsertLicenseTitle();
std::string SqlInsertLicense();
std::string SqlCountLicensesByDescription();
std::string SqlSelectDBVersion();
std::string SqlSelectLastID();
