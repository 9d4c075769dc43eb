// Read-only user settings in the registry's shape.
#include "app/Registry.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include "platform/Exception.h"

namespace {
const QString kToolKey = "Software\\Brackwater\\Tallyon";
}

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

QString TRegistry::SettingsFileName() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "Brackwater", "Tallyon").fileName();
}

bool TRegistry::SectionOf(const QString& key, QString* section) {
  QString k = key;
  while (k.startsWith('\\')) k.remove(0, 1);
  while (k.endsWith('\\')) k.chop(1);
  if (k.compare(kToolKey, Qt::CaseInsensitive) == 0) {
    *section = QString();
    return true;
  }
  if (k.startsWith(kToolKey + "\\", Qt::CaseInsensitive)) {
    *section = k.mid(kToolKey.size() + 1).replace('\\', '/');
    return true;
  }
  return false;
}

bool TRegistry::KeyExists(const QString& key) const {
  QString section;
  if (!SectionOf(key, &section)) return false;
  QString file = SettingsFileName();
  if (!QFileInfo(file).isFile()) return false;
  if (section.isEmpty()) return true;
  QSettings s(file, QSettings::IniFormat);
  return s.childGroups().contains(section, Qt::CaseInsensitive);
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
  CloseKey();
  if (!KeyExists(key)) return false;
  SectionOf(key, &section_);
  settings_ = std::make_unique<QSettings>(SettingsFileName(), QSettings::IniFormat);
  // Use the section's spelling from the file so that letter case does not matter.
  for (const QString& g : settings_->childGroups())
    if (g.compare(section_, Qt::CaseInsensitive) == 0) section_ = g;
  open_ = true;
  return true;
}

QString TRegistry::ReadString(const QString& name) const {
  if (!open_) return QString();
  QString path = section_.isEmpty() ? name : section_ + "/" + name;
  QVariant v = settings_->value(path);
  if (!v.isValid()) return QString();
  // An unquoted value with commas reads as a list; it is still one text.
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(", ");
  if (!v.canConvert<QString>())
    throw Exception("Invalid data type for '" + name.toStdString() + "'");
  return v.toString();
}

void TRegistry::CloseKey() {
  settings_.reset();
  section_.clear();
  open_ = false;
}
