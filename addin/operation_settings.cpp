#include "addin/operation_settings.h"

#include "addin/ini_file.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"

namespace qlx {

void LoadOperationSettings(ModINIFile& ini, const Text& settings_path, ModInsertHeader& header,
                           ModInsertErrTrap& err_trap) {
  header.AuthorName = ini.INIGetSettingString(u"Author", u"Name", settings_path, u"");
  header.IgnoreMode = ini.INIGetSettingInteger(u"Mode", u"IgnoreMode", settings_path, 0);
  header.UnUndoMode = ini.INIGetSettingInteger(u"Mode", u"UnUndoMode", settings_path, 0);
  header.SleepTime = ini.INIGetSettingInteger(u"Mode", u"SleepTime", settings_path, 0);
  err_trap.ErrInsertPos = ini.INIGetSettingInteger(u"Mode", u"ErrInsertPos", settings_path, 0);
  header.DateFormat = Trim(ini.INIGetSettingString(u"Mode", u"DateFormat", settings_path, u""));
}

CheckSettings LoadCheckSettings(ModINIFile& ini, const Text& settings_path) {
  return CheckSettings{Trim(ini.INIGetSettingString(u"Check", u"Select", settings_path, u"")),
                       Trim(ini.INIGetSettingString(u"Check", u"Ignore", settings_path, u"")),
                       Trim(ini.INIGetSettingString(u"Check", u"Warn", settings_path, u""))};
}

}  // namespace qlx
