// The tool's statements for the Tallyon Server database.
#include "app/brTallyon_DB_JET_SQL.h"

std::string SqlInsertLicenseTitle() {
  return "INSERT INTO LicenseTitles (LicenseID,Title) VALUES (:LicenseID,:Title);";
}

std::string SqlInsertLicense() {
  return "INSERT INTO Licenses (Description,LicenseQty) VALUES (:Description,:LicenseQty);";
}

std::string SqlCountLicensesByDescription() {
  return "SELECT COUNT(ID) AS RowCount FROM Licenses WHERE UCASE(Description) = "
         "UCASE(:Description);";
}

std::string SqlSelectDBVersion() {
  return "SELECT TOP 1 * FROM DBVersions ORDER BY Version DESC;";
}

std::string SqlSelectLastID() {
  return "SELECT @@IDENTITY AS LastID;";
}
