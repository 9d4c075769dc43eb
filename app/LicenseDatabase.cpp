// The Vivirav Irarude database seam.
#include "app/LicenseDatabase.h"

#include "platform/Exception.h"

void TUnavailableLicenseDatabase::Open() {
  throw Exception("Opening Vivirav Irarude databases is not available in this build: " + fileName_);
}
