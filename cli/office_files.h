// Office documents on the command line: `qlx export` and `qlx import`, and
// what every command needs to work on a document's modules (loading it,
// writing it back with a backup).
#pragma once

#include <filesystem>
#include <string>

#include "cli/options.h"
#include "host/files/file_io.h"
#include "office/office_document.h"

namespace qlx::cli {

// Loads a document; its refusals become usage errors.
office::OfficeDocument LoadDocument(const std::filesystem::path& path, FileStamp& stamp);

// Writes the document with its project's changes over path, keeping the old
// bytes as path + ".bak" unless no_backup. Nothing is written when the file
// changed since it was read (stamp).
void SaveDocument(office::OfficeDocument& document, const FileStamp& stamp, bool no_backup);

// qlx export FILE DIR: every module of the document's project into DIR as
// the VBA editor exports it.
int RunExport(const std::string& file, const std::string& dir, const OfficeOptions& options);
// qlx import DIR FILE: the source of the exported files in DIR back into the
// project's modules of the same names.
int RunImport(const std::string& dir, const std::string& file, const OfficeOptions& options);

}  // namespace qlx::cli
