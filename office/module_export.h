// Modules of a VBA project as the VBA editor exports them to files, and
// exported files back into the form a module stream holds.
#pragma once

#include <string>

#include "office/vba_project.h"

namespace qlx::office {

// ".bas" for a standard module, ".frm" for a form, ".cls" for the rest.
std::string ExportExtension(VbaModule::Type type);

// The exported file's bytes, in the project's code page with CR LF line ends:
// a class or document module gets the class block the editor writes before
// its attributes; a form gets a block naming it (its designer's properties
// and .frx file are not exported).
std::string ExportText(const VbaModule& module, const std::string& source);

// The stream form of an exported file (bytes in the project's code page):
// the VERSION line and its BEGIN ... END block dropped, every other line kept.
std::string StreamForm(const std::string& exported);

}  // namespace qlx::office
