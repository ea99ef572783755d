#include "discovery/ThunderbirdProfiles.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <algorithm>

namespace discovery {

std::vector<std::string> ThunderbirdProfiles(const std::string& home) {
  const QString base = QString::fromStdString(home + "/.thunderbird");
  QSettings ini(base + "/profiles.ini", QSettings::IniFormat);
  QStringList groups = ini.childGroups();
  // Profile0, Profile1, ... in the order they were numbered.
  std::sort(groups.begin(), groups.end(), [](const QString& a, const QString& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<std::string> profiles;
  for (const QString& group : groups) {
    if (!group.startsWith(QLatin1String("Profile"), Qt::CaseInsensitive)) continue;
    ini.beginGroup(group);
    // QSettings reads an unquoted value with commas as a list.
    QString path = ini.value(QStringLiteral("Path")).toStringList().join(QLatin1String(", "));
    bool relative = ini.value(QStringLiteral("IsRelative"), 1).toInt() != 0;
    ini.endGroup();
    if (path.isEmpty()) continue;
    profiles.push_back((relative ? QDir(base).filePath(path) : path).toStdString());
  }
  return profiles;
}

}  // namespace discovery
