// The options file through QSettings' INI format, which writes UTF-8 and
// replaces the file atomically.
#include "files/program_options.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>

#include "files/io_error.h"
#include "text/gbk.h"

namespace valo::files {
namespace {

QString key(const char* name) {
  return QStringLiteral("options/") + QLatin1String(name);
}

bool readFlag(const QSettings& settings, const char* name, bool fallback) {
  const QString text = settings.value(key(name)).toString().trimmed().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
  if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
  return fallback;
}

}  // namespace

ProgramOptions loadProgramOptions(const QString& path) {
  ProgramOptions options;
  if (!QFileInfo::exists(path)) return options;
  const QSettings settings(path, QSettings::IniFormat);
  options.historyDedup = readFlag(settings, kHistoryDedupKey, options.historyDedup);
  options.wideReading = readFlag(settings, kWideReadingKey, options.wideReading);
  options.teamConnection = settings.value(key(kTeamConnectionKey)).toString().trimmed();
  options.machineName = settings.value(key(kMachineNameKey)).toString().trimmed();
  return options;
}

QString machineNameOf(const ProgramOptions& options) {
  return options.machineName.isEmpty() ? QSysInfo::machineHostName() : options.machineName;
}

bool carriesPassword(const QString& connection) {
  static const QRegularExpression keyword(QStringLiteral("(^|\\s)password\\s*="),
                                          QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression uri(QStringLiteral("^postgres(ql)?://[^@/]*:[^@/]*@"),
                                      QRegularExpression::CaseInsensitiveOption);
  return keyword.match(connection).hasMatch() || uri.match(connection).hasMatch();
}

void saveProgramOptions(const QString& path, const ProgramOptions& options) {
  if (carriesPassword(options.teamConnection)) {
    throw AppError(gbk("团队服务器的连接中不能写密码：请把密码写在 ~/.pgpass 中（权限 0600）"));
  }
  QSettings settings(path, QSettings::IniFormat);
  settings.setValue(key(kHistoryDedupKey), options.historyDedup);
  settings.setValue(key(kWideReadingKey), options.wideReading);
  // Absent unless set, so a file from a program without teams looks the same.
  const std::pair<const char*, const QString*> texts[] = {{kTeamConnectionKey, &options.teamConnection},
                                                          {kMachineNameKey, &options.machineName}};
  for (const auto& [name, value] : texts) {
    if (value->isEmpty()) {
      settings.remove(key(name));
    } else {
      settings.setValue(key(name), *value);
    }
  }
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    throw AppError(formatMessage("Cannot save file %s", toGbk(QDir::toNativeSeparators(path))));
  }
}

}  // namespace valo::files
