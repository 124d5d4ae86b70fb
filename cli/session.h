// qlx session: the whole add-in, from the editor loading it to the user's GET
// and WRITE, driven by events read one per line, on the in-memory editor
// holding the modules of the files.
#pragma once

#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace qlx::cli {

struct SessionOptions {
  std::vector<std::string> files;
  // The settings file; empty: $QLX_INI, else QLX.ini in the user's config
  // directory (made when missing).
  std::string ini;
  bool json_messages = false;
  std::string encoding = "CP932";
};

// The events a session reads, for the command's help.
extern const char* const kSessionEventsHelp;

// Connects the add-in to an editor holding the files' modules (the first one
// active, connect mode 0), runs the events, disconnects when still
// connected, and writes back every changed file. Message boxes go to err,
// the "state" lines to out. Exit status: 0 every event was carried out; 1
// some event was unknown or could not be carried out (each reported on err
// and skipped); 2 a file could not be loaded or written.
int RunSession(const SessionOptions& options, std::istream& events, std::FILE* out = stdout,
               std::FILE* err = stderr);

inline int RunSession(const std::vector<std::string>& files, const std::string& ini, bool json_messages,
                      const std::string& encoding, std::istream& events) {
  return RunSession(SessionOptions{files, ini, json_messages, encoding}, events);
}

}  // namespace qlx::cli
