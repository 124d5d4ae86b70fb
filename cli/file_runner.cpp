#include "cli/file_runner.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "cli/errors.h"
#include "cli/file_set.h"
#include "cli/loading.h"
#include "cli/names.h"
#include "cli/office_files.h"
#include "cli/platform.h"
#include "cli/settings_path.h"
#include "cli/target.h"
#include "cli/unified_diff.h"
#include "host/clock.h"
#include "host/files/encoding.h"
#include "host/vberror.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

// What happened to one file.
struct FileOutcome {
  int status = kExitOk;
  bool changed = false;
  bool written = false;
  bool refused = false;
};

// The progress line on a terminal, cleared before anything else is printed.
class Progress {
 public:
  Progress(std::size_t total, bool shown) : total_(total), shown_(shown) {}
  void Show(std::size_t index, const std::string& file) {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[Kqlx: [%zu/%zu] %s", index + 1, total_, Shown(file).c_str());
    std::fflush(stderr);
    visible_ = true;
  }
  void Clear() {
    if (!visible_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    visible_ = false;
  }

 private:
  std::size_t total_;
  bool shown_;
  bool visible_ = false;
};

std::string DisplayText(const ModuleFile& file, const std::string& bytes) {
  std::string_view body = bytes;
  if (body.starts_with(kUtf8Bom)) body.remove_prefix(kUtf8Bom.size());
  try {
    Converter converter(file.FileEncoding());
    if (std::optional<Text> text = converter.Decode(body)) return ToUtf8(*text);
  } catch (const FileError&) {
  }
  return std::string(body);
}

std::string DiffName(const std::string& path) {
  std::string name = fs::path(path).lexically_normal().generic_string();
  while (!name.empty() && name.front() == '/') name.erase(name.begin());
  return name;
}

// What the run's output shows of a module, name being the file or the
// document's Book.xlsm:Module1: for --check its name and for --diff its
// change when it changed, for --stdout the module. Nothing when written.
void Show(Output output, const ModuleFile& file, const ModuleFile::Rendering& rendering, const std::string& name) {
  switch (output) {
    case Output::kWrite:
      return;
    case Output::kStdout: {
      const std::string& bytes = rendering.Bytes();
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      return;
    }
    case Output::kDiff: {
      if (!rendering.Changed()) return;
      const std::string diff = UnifiedDiff(DisplayText(file, file.OriginalBytes()),
                                           DisplayText(file, rendering.Bytes()), Shown(DiffName(name)));
      std::fwrite(diff.data(), 1, diff.size(), stdout);
      return;
    }
    case Output::kCheck:
      if (rendering.Changed()) std::printf("%s\n", Shown(name).c_str());
      return;
  }
}

// The outcome of a file that was refused, or failed: said at the barrier.
constexpr FileOutcome kRefused{kExitUsage, false, false, true};

// host_calls: with --host-calls, the calls that reached the editor, said last.
void SaidWritten(const std::string& path, const FileOutcome& outcome, const CommonOptions& common,
                 const WriteOptions& write, const std::optional<std::string>& host_calls = std::nullopt) {
  // With --json-messages the file's JSON line says it.
  if (outcome.written && !write.quiet && !common.json_messages) Say("wrote " + path);
  if (common.json_messages) {
    json line;
    PutName(line, "file", path);
    line["written"] = outcome.written;
    std::fprintf(stderr, "%s\n", line.dump().c_str());
  }
  // With --host-calls, the file's calls that reached the editor come last.
  if (host_calls) std::fprintf(stderr, "%s\n", host_calls->c_str());
  std::fflush(stderr);
}

// The line cache saves the add-in's calls into the editor, each of which
// crosses COM; over the in-memory editor it is a second copy of the module
// to read. Only --host-calls, which counts the calls the add-in makes,
// needs it.
void CacheOnlyToCount(Workspace& ws, const CommonOptions& common) { ws.vbe->UseLineCache(common.host_calls); }

// The operation on one module's editor, with the settings loaded as the tool
// window loads them and --author over the settings' name.
void RunWithSettings(Workspace& ws, UiService& ui, const fs::path& settings, SettingsCache& cache,
                     const WriteOptions& write, const Operation& operation) {
  Operations ops(ui, ws.desktop);
  ops.SetVBInstance(ws.vbe);
  LoadSettings(settings, ui, ops, &cache);
  if (write.author) ops.Header().AuthorName = FromUtf8(*write.author);
  RunOperation(ws, [&] { operation(ws, ui, ops); });
}

// many: one of several files, whose boxes then say where they come from.
FileOutcome RunOneFile(const std::string& path, const CommonOptions& common, const WriteOptions& write,
                       const Operation& operation, Progress& progress, bool many,
                       const std::shared_ptr<DebrisSweep>& sweep, const RegionalClock* clock, SettingsCache& cache) {
  FileOutcome outcome;
  std::optional<std::string> host_calls;
  const bool ran = Barrier(
      [&] {
        // Standard input's result has nowhere to go but standard output.
        const Output output = path == kStdin && write.output == Output::kWrite ? Output::kStdout : write.output;
        std::vector<ModuleFile> loaded;
        loaded.push_back(LoadModuleFile(path, common.encoding, write.stdin_name, output == Output::kWrite, sweep));
        Workspace ws(std::move(loaded));
        CacheOnlyToCount(ws, common);
        const fs::path settings = CheckedSettings(write.ini, path, common.encoding, &cache);
        auto ui = MakeUi(common, &write, [&progress] { progress.Clear(); }, clock);
        if (many) {
          ui->SetOrigin([&ws, &path](const UiService::Place& place) {
            return OriginIn(ws.First(), path, U8(ws.First().Module()->UncountedName()), false, place);
          });
        }
        RunWithSettings(ws, *ui, settings, cache, write, operation);
        outcome.status = ui->ShowedOkBox() ? kExitReported : kExitOk;

        ModuleFile& file = ws.First();
        const ModuleFile::Rendering rendering = file.Rendered();
        outcome.changed = rendering.Changed();
        // A file that could only be written with '?' in place of characters is
        // refused whatever the output: a diff or a --check would promise it.
        if (outcome.changed) file.CheckEncodable(rendering);
        Show(output, file, rendering, path);
        if (output == Output::kWrite && outcome.changed) {
          file.Save(file.Path(), rendering);
          outcome.written = true;
        }
        std::fflush(stdout);
        progress.Clear();
        if (common.host_calls) host_calls = ws.HostCallsJson();
      },
      [&progress] { progress.Clear(); });
  if (!ran) outcome = kRefused;
  SaidWritten(path, outcome, common, write, host_calls);
  return outcome;
}

// The operation on every module of an Office document (or on --module's),
// each in its own editor as if it were its exported file; the changed
// modules go back into the project and the document is written once.
// single: the command works on one procedure, so one module must be chosen.
FileOutcome RunOneDocument(const std::string& path, const CommonOptions& common, const WriteOptions& write,
                           const Operation& operation, bool single, Progress& progress, SettingsCache& cache) {
  FileOutcome outcome;
  std::optional<std::string> host_calls;
  const bool ran = Barrier(
      [&] {
        OpenedDocument opened(path, common.module, single);
        std::vector<ModuleFile>& files = opened.modules->Files();
        const fs::path settings = CheckedSettings(write.ini, path, common.encoding, &cache);
        auto ui = MakeUi(common, &write, [&progress] { progress.Clear(); });
        std::vector<long long> calls;
        for (std::size_t k = 0; k < files.size(); ++k) {
          ModuleFile& file = files[k];
          std::vector<ModuleFile> one;
          one.push_back(std::move(file));
          Workspace ws(std::move(one));
          CacheOnlyToCount(ws, common);
          // Every box of a document names its module.
          const std::string& module = opened.modules->Names()[k];
          ui->SetPlace({});
          ui->SetOrigin([&ws, &path, &module](const UiService::Place& place) {
            return OriginIn(ws.First(), path, module, true, place);
          });
          RunWithSettings(ws, *ui, settings, cache, write, operation);
          ui->SetOrigin(nullptr);
          if (common.host_calls) ws.AddHostCalls(calls);
          file = std::move(ws.First());
        }
        if (common.host_calls) host_calls = Workspace::HostCallsJson(calls);
        outcome.status = ui->ShowedOkBox() ? kExitReported : kExitOk;
        std::vector<ModuleFile::Rendering> renderings;
        renderings.reserve(files.size());
        for (const ModuleFile& file : files) {
          renderings.push_back(file.Rendered());
          outcome.changed = outcome.changed || renderings.back().Changed();
        }
        // Into the project first, which refuses a module its code page cannot
        // hold before anything is shown or written.
        if (outcome.changed) opened.modules->StoreChanges(renderings);
        for (std::size_t k = 0; k < files.size(); ++k) {
          Show(write.output, files[k], renderings[k], files[k].Path().string());
        }
        std::fflush(stdout);
        if (outcome.changed && write.output == Output::kWrite) {
          SaveDocument(*opened.document, opened.stamp, write.no_backup);
          outcome.written = true;
        }
        progress.Clear();
      },
      [&progress] { progress.Clear(); });
  if (!ran) outcome = kRefused;
  SaidWritten(path, outcome, common, write, host_calls);
  return outcome;
}

}  // namespace

int RunOnFiles(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write,
               const Operation& operation, bool walk) {
  if (write.yes && write.no) throw UsageError("--yes and --no cannot both be given");
  FilesRun run;
  FileSet set;
  if (walk) {
    set = CollectFiles(paths, write.excludes, write.no_ignore);
  } else {
    set.files.assign(paths.begin(), paths.end());
  }
  const bool many = set.files.size() > 1 || set.walked_folder;
  // Modules printed one after another could not be told apart.
  if (write.output == Output::kStdout && set.files.size() > 1) {
    throw UsageError("--stdout prints one module, and this run has " + std::to_string(set.files.size()) +
                     " files; name one file, or see every change with --diff");
  }
  Progress progress(set.files.size(), !write.quiet && set.files.size() > 5 && StderrIsTerminal());
  // What the walk could not read is a file error; the files it found are still done.
  int worst = set.errors.empty() ? kExitOk : kExitUsage;
  int changed = 0;
  int unchanged = 0;
  int refused = static_cast<int>(set.errors.size());
  for (const std::string& error : set.errors) Say(error);
  const auto sweep = std::make_shared<DebrisSweep>();
  // One clock for the run; a clock that cannot be made is refused with each file.
  std::optional<RegionalClock> clock;
  try {
    clock = RegionalClock::ForUser(Environment::Current().locale, Environment::Current().qlx_now);
  } catch (const VbError&) {
  }
  if (!write.quiet) {
    for (const std::string& link : set.left_out) Say(link);
  }
  for (std::size_t i = 0; i < set.files.size(); ++i) {
    const std::string path = set.files[i].string();
    progress.Show(i, path);
    // --stdout prints one module, so a document's must be chosen as for one procedure.
    const bool single = !walk || write.output == Output::kStdout;
    const FileOutcome outcome =
        IsDocument(path) ? RunOneDocument(path, common, write, operation, single, progress, run.Settings())
                         : RunOneFile(path, common, write, operation, progress, many, sweep, clock ? &*clock : nullptr,
                                      run.Settings());
    worst = std::max(worst, outcome.status);
    if (outcome.refused) {
      ++refused;
    } else if (outcome.changed) {
      ++changed;
    } else {
      ++unchanged;
    }
  }
  progress.Clear();
  worst = run.Finish(worst);
  if (many && !write.quiet) {
    // Nothing was written by --diff or --check: the files would change.
    std::fprintf(stderr, "qlx: %d file%s %s, %d unchanged, %d refused\n", changed, changed == 1 ? "" : "s",
                 write.Previews() ? "would change" : "changed", unchanged, refused);
  }
  if (write.output == Output::kCheck && changed > 0) worst = std::max(worst, kExitReported);
  return worst;
}

int RunOperationCommand(OperationId id, const std::vector<std::string>& paths, const Target& target,
                        const CommonOptions& common, const WriteOptions& write) {
  if (InfoOf(id).scope == OperationScope::kModule) {
    return RunOnFiles(paths, common, write, [id](Workspace&, UiService&, Operations& ops) { ops.Run(id); });
  }
  const Operation at_target = [id, target](Workspace& ws, UiService& ui, Operations& ops) {
    ops.Run(id, ProcedureRow(target, ws, ui));
  };
  return RunOnFiles(paths, common, write, at_target, false);
}

}  // namespace qlx::cli
