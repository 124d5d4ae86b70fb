// One writer run on a fuzzed module: the module in an in-memory editor, the
// answers and settings drawn from the input, and the checks on what it wrote.
#pragma once

#include <functional>
#include <memory>

#include "fuzz_support.h"
#include "host/ui.h"
#include "operations/operations.h"
#include "support/editor.h"

namespace qlx::fuzz {

// The editor holding the loaded module, with its pane active.
struct WriterRun : testing::MemoryEditor {
  explicit WriterRun(std::shared_ptr<MemoryCodeModule> module) : MemoryEditor(testing::EditorWith(std::move(module))) {}

  RecordingUi ui;
  // The operations on this editor; a writer binds them for its run.
  Operations ops{ui, desktop};
  std::uint64_t choice = 0;  // bits for rows, answers and settings
  Row rows = 0;

  // The row the writer works at: any row of the module.
  Row PickRow() const { return static_cast<Row>((choice >> 8) % static_cast<std::uint64_t>(rows)) + 1; }
  // Setting n (0..7) on or off.
  std::int32_t Flag(int n) const { return static_cast<std::int32_t>((choice >> (40 + n)) & 1); }
};

// With QLX_FUZZ_SHOW set (when reproducing a finding): the rows before and
// after, the boxes shown and the bytes written.
inline void Show(const std::vector<Text>& before, const ModuleFile& file, const WriterRun& run) {
  std::fprintf(stderr, "--- rows before\n");
  for (std::size_t i = 0; i < before.size(); ++i) std::fprintf(stderr, "%4zu %s\n", i + 1, ToUtf8(before[i]).c_str());
  std::fprintf(stderr, "--- rows after\n");
  const std::vector<Text> after = file.Module()->AllLines();
  for (std::size_t i = 0; i < after.size(); ++i) std::fprintf(stderr, "%4zu %s\n", i + 1, ToUtf8(after[i]).c_str());
  for (const RecordedBox& box : run.ui.boxes) {
    std::fprintf(stderr, "--- box [%s] %s\n", ToUtf8(box.title).c_str(), ToUtf8(box.text).c_str());
  }
  std::fprintf(stderr, "--- written\n%s\n---\n", file.Render().c_str());
}

// Loads the input, runs write (which returns after the writer has run) and
// checks that the rows not marked by replaceable(before, run) (1-based, may
// be empty) are all still there in order, and that the result loads and
// saves back identically.
inline void RunWriter(const std::uint8_t* data, std::size_t size, const char* writer,
                      const std::function<std::vector<bool>(const std::vector<Text>&, WriterRun&)>& replaceable,
                      const std::function<void(WriterRun&)>& write) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<ModuleFile> file = LoadModule(std::string(bytes));
  if (!file) return;
  const std::vector<std::string_view> hidden = HiddenLines(*file, bytes);
  if (file->Module()->LineCount() == 0) return;
  WriterRun run(file->Module());
  run.choice = Hash(data, size);
  run.rows = file->Module()->LineCount();
  // Four answers for the questions, then No.
  for (int i = 0; i < 4; ++i) run.ui.queued_answers.push_back((run.choice >> i) & 1 ? Answer::kYes : Answer::kNo);

  const std::vector<Text> before = file->Module()->AllLines();
  const std::vector<bool> marked = replaceable ? replaceable(before, run) : std::vector<bool>{};
  write(run);
  if (std::getenv("QLX_FUZZ_SHOW") != nullptr) Show(before, *file, run);
  CheckOnlyInserted(before, file->Module()->AllLines(), marked, writer);
  CheckSavedLoadsBack(*file, hidden);
}

}  // namespace qlx::fuzz
