// Shared by the header tests: an editor with one module, modules written as
// raw strings with {SEP} and {TITLE} standing for the two long fixed lines,
// and the check that a command left the module, the boxes and the clean-up
// as expected.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "header/mod_insert_header.h"
#include "host/memory.h"
#include "host/ui.h"
#include "test_support.h"

namespace qlx {

inline void PrintTo(const RecordedBox& box, std::ostream* os) {
  *os << "{title \"" << testing::U8(box.title) << "\", text \"" << testing::U8(box.text)
      << "\", " << (box.buttons == Buttons::kOk ? "OK" : "YesNo") << ", answer "
      << static_cast<int>(box.answer) << "}";
}

namespace header_test {

using testing::U8;

inline const Text kSeparator =
    u"'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>";
inline const Text kTitleLine =
    u"'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明";

inline const Text kAsk = u"ヘッダが存在します。更新しますか?";
inline const Text kConfirm = u"これ以後、元に戻せなくなります。\r\n更新してもよろしいですか？";

inline RecordedBox Ask(Answer answer) { return {u"QLX", kAsk, Buttons::kYesNo, answer}; }
inline RecordedBox Confirm(Answer answer) { return {u"QLX", kConfirm, Buttons::kYesNo, answer}; }
inline RecordedBox Notice(const Text& text) { return {u"QLX", text, Buttons::kOk, Answer::kOk}; }

inline void ReplaceAll(std::u16string& s, const std::u16string& from, const std::u16string& to) {
  for (std::size_t at = s.find(from); at != std::u16string::npos;
       at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

// The module's lines, with {SEP} and {TITLE} expanded.
inline std::vector<Text> ModuleLines(std::u16string text) {
  ReplaceAll(text, u"{SEP}", kSeparator);
  ReplaceAll(text, u"{TITLE}", kTitleLine);
  return testing::Lines(text);
}

// One editor with Module1 in the active pane, and the header writer on it.
template <class Header = ModInsertHeader, class Ui = RecordingUi>
struct BasicEditor {
  explicit BasicEditor(const std::u16string& module_text) {
    vbe->AddModule(u"Module1", ModuleLines(module_text));
    vbe->Pane(u"Module1");
    header.SetVBInstance(vbe);
    header.AuthorName = u"Tester";
  }

  std::vector<Text> Module() { return vbe->Module(u"Module1")->AllLines(); }

  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};
  Ui ui;
  Header header{ui, desktop};
};

using Editor = BasicEditor<>;

// Numbered rows, so a failure shows where the lines landed.
inline std::string Numbered(const std::vector<Text>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += std::to_string(i + 1) + "|" + U8(lines[i]) + "\n";
  }
  return out;
}

// What every way out of a command must leave: drawing restarted, no editor
// or module reference kept.
template <class E>
class CleanUpCheck {
 public:
  explicit CleanUpCheck(E& editor)
      : editor_(editor),
        vbe_refs_(editor.vbe.use_count()),
        module_refs_(editor.vbe->Module(u"Module1").use_count()) {}

  void Verify() {
    EXPECT_TRUE(editor_.desktop.Unlocked());
    ASSERT_FALSE(editor_.desktop.lock_calls.empty());
    EXPECT_EQ(editor_.desktop.lock_calls.back(), 0);
    EXPECT_EQ(editor_.vbe.use_count(), vbe_refs_);
    EXPECT_EQ(editor_.vbe->Module(u"Module1").use_count(), module_refs_);
  }

 private:
  E& editor_;
  long vbe_refs_;
  long module_refs_;
};

// Runs action on an editor holding `before` and checks the module, the boxes
// shown and the clean-up.
template <class E = Editor>
void ExpectModule(const std::u16string& before, const std::function<void(E&)>& action,
                  const std::u16string& after, const std::vector<RecordedBox>& boxes) {
  E editor(before);
  CleanUpCheck<E> clean_up(editor);
  action(editor);
  EXPECT_EQ(Numbered(editor.Module()), Numbered(ModuleLines(after)));
  EXPECT_EQ(editor.ui.boxes, boxes);
  clean_up.Verify();
}

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

}  // namespace header_test
}  // namespace qlx
