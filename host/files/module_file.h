// Exported module files (.bas, .cls, .frm or any text file): loaded into the
// in-memory code module and saved back byte for byte, except for the rows an
// edit changed.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/encoding.h"
#include "host/files/file_io.h"
#include "host/memory/editor.h"

namespace qlx {

struct LoadOptions {
  // The ANSI code page (an iconv name) of files that are not UTF-8.
  std::string encoding = kDefaultCodePage;
  // Decode as that code page even bytes that are valid UTF-8: a module read
  // from an Office document is always in its project's code page.
  bool code_page_only = false;
  // Hold the file's advisory lock from the read until the ModuleFile is
  // gone, so that another qlx waits (at most lock_wait) instead of writing
  // in between.
  bool lock = false;
  std::chrono::milliseconds lock_wait = kLockWait;
  // The folders cleared of a killed run's files, shared by the copies of
  // these options: a run that loads all its files with one set of options
  // clears each folder once.
  std::shared_ptr<DebrisSweep> sweep = std::make_shared<DebrisSweep>();
};

// A loaded module file. The code module shows the rows the editor shows; the
// lines it hides (the VERSION/BEGIN ... END block, the module's
// `Attribute VB_...` lines and member attributes such as
// `Attribute Foo.VB_Description = "..."`) are kept aside and written back
// after the visible line they followed, or after the visible line before it
// when that one was deleted. Edits are followed through the module's edit
// listener, so the module must only be changed through its host calls.
class ModuleFile {
 public:
  // Reads and splits a file. Throws FileError, naming the file, when it is
  // missing, unreadable, binary, cannot be decoded or has an unclosed
  // BEGIN block. The module's name is its VB_Name attribute, else the file
  // name without extension.
  static ModuleFile Load(const std::filesystem::path& path, const LoadOptions& options = {});
  // The same from bytes already read; path names the file in messages and
  // gives the name when there is no VB_Name.
  static ModuleFile FromBytes(std::string bytes, const std::filesystem::path& path,
                              const LoadOptions& options = {});

  ~ModuleFile();
  ModuleFile(ModuleFile&&) noexcept;
  ModuleFile& operator=(ModuleFile&&) noexcept;

  std::shared_ptr<MemoryCodeModule> Module() const;
  const std::filesystem::path& Path() const;
  const Encoding& FileEncoding() const;
  std::string EncodingName() const;
  const std::string& OriginalBytes() const;

  // The bytes to write: unchanged lines from their original bytes and line
  // ends, new and changed rows encoded (a row replaced by its own text keeps
  // its bytes). Throws FileError when the module was changed behind the
  // listener's back, rather than write a wrong file.
  std::string Render() const;
  // What Render() would warn about: rows with characters the encoding cannot
  // hold, written as '?'.
  std::vector<std::string> Warnings() const;

  // One Render() for a caller that asks whether the module changed, refuses
  // it when it cannot be encoded, shows it and saves it: each of those
  // would otherwise render the whole module again. Taken after the module's
  // last edit.
  class Rendering {
   public:
    const std::string& Bytes() const { return bytes_; }
    // True when the bytes differ from the bytes that were loaded.
    bool Changed() const { return changed_; }
    // The first row written with '?' for characters the encoding cannot
    // hold, and its line in the rendered file (1-based); row 0 when every
    // row is held.
    Row UnheldRow() const { return row_; }
    long UnheldLine() const { return line_; }

   private:
    friend class ModuleFile;
    std::string bytes_;
    bool changed_ = false;
    long line_ = 0;
    Row row_ = 0;
  };
  Rendering Rendered() const;
  // Throws FileError, naming the first row written with '?' and the encoding
  // ("M.bas: line 3 (row 2): holds characters that the file's code page
  // CP1252 cannot hold; nothing was written"), when the rendering has one.
  // Whatever writes the module out asks this first.
  void CheckEncodable(const Rendering& rendering) const;
  // Writes the rendering (or a new one) to path as WriteFileReplacing does.
  // Throws FileError and leaves the file as it was when a row holds a
  // character the encoding cannot hold (see CheckEncodable), it or its
  // directory is read-only, the write fails, or path is the loaded file and
  // another program changed it since it was read (size, modification time
  // or content).
  void Save(const std::filesystem::path& path, const Rendering& rendering) const;
  void Save(const std::filesystem::path& path) const;

  // The row now showing physical line file_line (1-based, the BOM is not a
  // line) of the loaded file; 0 when that line is hidden, deleted or out of
  // range. A replaced line maps to the row that replaced it.
  Row RowOfFileLine(long file_line) const;
  // The loaded file's line (1-based) shown at row; 0 for a new row or a row
  // out of range.
  long FileLineOfRow(Row row) const;
  // The number of hidden lines (header block and attributes).
  long HiddenLineCount() const;

 private:
  struct State;
  ModuleFile(std::shared_ptr<MemoryCodeModule> module, std::shared_ptr<State> state);
  // A row Render() writes with '?' for characters the encoding cannot hold.
  struct Unheld {
    long line;  // in the rendered file, 1-based
    Row row;
    int characters;
  };
  std::string RenderTo(std::vector<Unheld>* unheld) const;

  std::shared_ptr<MemoryCodeModule> module_;
  std::shared_ptr<State> state_;  // shared with the module's edit listener
};

// The lines of a module file that the editor does not show, as ModuleFile
// reads them: the header block (VERSION, a form's control references and
// its BEGIN ... END block), then every attribute line that does not follow
// a continued visible line; and the module's name by its first VB_Name
// attribute, else the file name without extension (read as UTF-8, else in
// code_page). Throws FileError, naming the file, for a BEGIN block without
// END.
struct HiddenLines {
  std::size_t header = 0;               // lines [0, header)
  std::vector<std::size_t> attributes;  // the other hidden lines, in order
  Text name;
};
HiddenLines FindHiddenLines(const std::vector<Text>& lines, const std::filesystem::path& path,
                            const std::string& code_page = kDefaultCodePage);
// The same from `count` lines that line(i) gives, asked for in increasing
// order (the same one perhaps several times); each view need only last
// until the next call.
HiddenLines FindHiddenLines(std::size_t count, const std::function<TextView(std::size_t)>& line,
                            const std::filesystem::path& path, const std::string& code_page = kDefaultCodePage);
// Whether a line reads as an attribute, hidden unless the line above it
// continues onto it.
bool IsAttributeLine(TextView line);

// Replaces path's content so that an interrupted write never leaves half a
// file (see host/files/file_io.h): a symbolic link is followed, hard links, owner,
// permission bits and extended attributes are kept. Throws FileError,
// leaving everything as it was, when the file or its directory is read-only
// (by its permission bits, also for root) or any step fails.
void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes);

}  // namespace qlx
