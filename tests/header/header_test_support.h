// Shared by the header tests: modules written as raw strings with
// placeholders for the long fixed lines, the header writer on the one test
// editor, and the boxes it shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "header/mod_insert_header.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "support/editor.h"
#include "support/expect_module.h"
#include "support/text.h"

namespace qlx::header_test {

using testing::ExpectModule;
using testing::Numbered;
using testing::Rerun;
using testing::U8;

inline const Text kSeparator =
    u"'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>";
inline const Text kTitleLine =
    u"'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明";
inline const Text kBanner = u"'====================================Module1====================================";
inline const Text kTableTitle = u"'|Number|Knd|Procedure Name |:-----Summary Description-----";

inline const Text kAsk = u"ヘッダが存在します。更新しますか?";
inline const Text kConfirm = u"これ以後、元に戻せなくなります。\r\n更新してもよろしいですか？";

inline RecordedBox Ask(Answer answer) { return {u"QLX", kAsk, Buttons::kYesNo, answer}; }
inline RecordedBox Confirm(Answer answer) { return {u"QLX", kConfirm, Buttons::kYesNo, answer}; }
inline RecordedBox Notice(const Text& text) { return {u"QLX", text, Buttons::kOk, Answer::kOk}; }

// The module's lines, with {SEP} and {TITLE} (the procedure header's fixed
// lines), {BANNER} (Module1's banner) and {MTITLE} (the module header's
// table title) expanded.
inline std::vector<Text> ModuleLines(std::u16string text) {
  testing::ReplaceAll(text, u"{SEP}", kSeparator);
  testing::ReplaceAll(text, u"{TITLE}", kTitleLine);
  testing::ReplaceAll(text, u"{BANNER}", kBanner);
  testing::ReplaceAll(text, u"{MTITLE}", kTableTitle);
  return testing::Lines(text);
}

// The editor holding a module written with placeholders, named Module1.
inline testing::EditorWith EditorOf(const std::u16string& module_text) {
  return testing::EditorWith(u"Module1", ModuleLines(module_text));
}

// The test editor with the header writer on it, written by "Tester". Built
// from a module written with placeholders (named Module1), or from a chain.
template <class Header = ModInsertHeader, class Ui = testing::EditorUi>
struct HeaderEditor : testing::Editor<Header, Ui> {
  explicit HeaderEditor(const std::u16string& module_text) : HeaderEditor(EditorOf(module_text)) {}
  explicit HeaderEditor(const char16_t* module_text) : HeaderEditor(EditorOf(module_text)) {}
  HeaderEditor(const testing::EditorWith& with) : testing::Editor<Header, Ui>(with) {  // NOLINT: as Editor
    header.AuthorName = u"Tester";
  }
  static std::vector<Text> Expand(const std::u16string& module_text) { return ModuleLines(module_text); }

  Header& header = this->op;
};

using Editor = HeaderEditor<>;

// A clock that fails: no header can be built.
struct BrokenClockUi : testing::EditorUi {
  Text ShortDate() override { throw VbError(vberr::kInvalidCall); }
};

// WriteHeaderProc at row with the given settings and scripted answers.
template <class E = Editor>
std::function<void(E&)> Write(Row row, std::vector<Answer> answers = {},
                              std::int32_t ignore_mode = 0, std::int32_t un_undo_mode = 0) {
  return [=](E& e) {
    e.header.IgnoreMode = ignore_mode;
    e.header.UnUndoMode = un_undo_mode;
    e.ui.queued_answers = answers;
    e.header.WriteHeaderProc(row);
  };
}

// Write with the cursor on the first line equal to `line`, wherever the
// line is when the action runs: a rerun finds the procedure where the first
// run left it.
template <class E = Editor>
std::function<void(E&)> WriteAt(Text line, std::vector<Answer> answers = {},
                                std::int32_t ignore_mode = 0, std::int32_t un_undo_mode = 0) {
  return [=](E& e) {
    const std::vector<Text> lines = e.Module();
    const auto at = std::find(lines.begin(), lines.end(), line);
    ASSERT_NE(at, lines.end()) << U8(line);
    Write<E>(static_cast<Row>(at - lines.begin()) + 1, answers, ignore_mode, un_undo_mode)(e);
  };
}

}  // namespace qlx::header_test
