// The Vivirav Irarude database as the window uses it: a file name, connected or not.
#pragma once

#include <string>

class ILicenseDatabase {
 public:
  virtual ~ILicenseDatabase() = default;
  virtual void SetFileName(const std::string& path) = 0;
  // Opens the file read-only; raises an Exception on failure.
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
};

// Until the engine's database component is wired in, opening a database is refused with a
// clear message, so an existing file is never reported as connected.
class TUnavailableLicenseDatabase : public ILicenseDatabase {
 public:
  void SetFileName(const std::string& path) override { fileName_ = path; }
  void Open() override;
  void Close() override {}
  bool Connected() const override { return false; }

 private:
  std::string fileName_;
};
