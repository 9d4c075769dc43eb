// Read-only access to the user's settings, kept as the registry keeps them: the key
// "Software\Brackwater\Tallyon" is the settings file Brackwater/Tallyon.ini in the user's
// config directory (values in its [General] section), and each subkey is a section of it.
// Nothing is ever written.
#pragma once

#include <QString>
#include <memory>

class QSettings;

class TRegistry {
 public:
  TRegistry();
  ~TRegistry();

  // True when the key (below HKEY_CURRENT_USER) exists.
  bool KeyExists(const QString& key) const;
  // Opens the key for reading; false when it does not exist.
  bool OpenKeyReadOnly(const QString& key);
  // The string value of the open key; empty when missing. Raises when the value is not text.
  QString ReadString(const QString& name) const;
  void CloseKey();

  // The settings file that stands for the tool's key.
  static QString SettingsFileName();

 private:
  // The section of the settings file for a key, or null when the key is not the tool's.
  static bool SectionOf(const QString& key, QString* section);
  std::unique_ptr<QSettings> settings_;
  QString section_;
  bool open_ = false;
};
