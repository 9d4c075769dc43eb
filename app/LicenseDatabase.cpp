// The Vivirav Irarude database seam.
#include "app/LicenseDatabase.h"

#include "platform/Exception.h"

void TUnavailableLicenseDatabase::Open() {
  throw Exception("Opening Vivirav Irarude databases is not available in this build: " + fileName_);
}

void TUnavailableLicenseDatabase::TNoQuery::Open() {
  throw Exception("The Vivirav Irarude database is not connected");
}

TADOValue TUnavailableLicenseDatabase::TNoQuery::FieldValue(const std::string& name) const {
  throw Exception("Field '" + name + "' not found");
}
