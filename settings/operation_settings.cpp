#include "settings/operation_settings.h"

#include "settings/ini_file.h"

namespace qlx {

OperationSettings LoadOperationSettings(ModINIFile& ini, const Text& settings_path) {
  OperationSettings settings;
  settings.author_name = ini.INIGetSettingString(u"Author", u"Name", settings_path, u"");
  settings.ignore_mode = ini.INIGetSettingInteger(u"Mode", u"IgnoreMode", settings_path, 0);
  settings.un_undo_mode = ini.INIGetSettingInteger(u"Mode", u"UnUndoMode", settings_path, 0);
  settings.sleep_time = ini.INIGetSettingInteger(u"Mode", u"SleepTime", settings_path, 0);
  settings.err_insert_pos = ini.INIGetSettingInteger(u"Mode", u"ErrInsertPos", settings_path, 0);
  settings.date_format = Trim(ini.INIGetSettingString(u"Mode", u"DateFormat", settings_path, u""));
  return settings;
}

CheckSettings LoadCheckSettings(ModINIFile& ini, const Text& settings_path) {
  return CheckSettings{Trim(ini.INIGetSettingString(u"Check", u"Select", settings_path, u"")),
                       Trim(ini.INIGetSettingString(u"Check", u"Ignore", settings_path, u"")),
                       Trim(ini.INIGetSettingString(u"Check", u"Warn", settings_path, u""))};
}

}  // namespace qlx
