// Writes the documents that the independent-reader check opens: projects
// built for the purpose as .xlsm, .xls and .docm, each also once more with a
// module changed through the engine's module files, and beside each the
// code every module should show (UTF-8, LF).
#include <filesystem>
#include <iostream>

#include "host/memory/editor.h"
#include "office/office_document.h"
#include "office/project_builder.h"
#include "office/project_modules.h"
#include "support/files.h"

namespace fs = std::filesystem;
using namespace qlx::office;
using qlx::testing::WriteFile;

namespace {

const std::vector<testing::TestModule> kModules = {
    {"Module1", 'M',
     "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n' \x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x52\x83\x81\x83\x93\x83\x67\r\n"
     "Public Function Twice(ByVal n As Long) As Long\r\n    Twice = n * 2\r\nEnd Function\r\n"},
    {"Class1", 'C',
     "Attribute VB_Name = \"Class1\"\r\nAttribute VB_GlobalNameSpace = False\r\nAttribute VB_Creatable = False\r\n"
     "Attribute VB_PredeclaredId = False\r\nAttribute VB_Exposed = False\r\nPrivate m_value As Long\r\n"
     "Public Property Get Value() As Long\r\n    Value = m_value\r\nEnd Property\r\n"}};

const char kAddedLine[] = "' \u8FFD\u52A0\u3057\u305F\u884C (added line)";

// The code of each module as the editor shows it, for the checker; `first`
// stands before it when given.
void SaveExpected(const fs::path& doc_path, OfficeDocument& doc, const std::string& first = "") {
  ProjectModules modules(doc);
  for (std::size_t i = 0; i < modules.Files().size(); ++i) {
    auto module = modules.Files()[i].Module();
    std::string text = first;
    for (qlx::Row r = 1; r <= module->LineCount(); ++r) text += qlx::ToUtf8(module->Lines(r, 1)) + "\n";
    WriteFile(doc_path.string() + "." + modules.Names()[i] + ".expected", text);
  }
}

void Write(const fs::path& dir, const std::string& name, const std::string& bytes) {
  const fs::path path = dir / name;
  WriteFile(path, bytes);
  OfficeDocument doc = OfficeDocument::FromBytes(bytes, path);
  SaveExpected(path, doc);
  // What the changed document must show, known before it is written.
  SaveExpected(dir / ("changed-" + name), doc, std::string(kAddedLine) + "\n");
  // The same document with a comment added to each module through the engine.
  const fs::path changed = dir / ("changed-" + name);
  ProjectModules modules(doc);
  for (qlx::ModuleFile& file : modules.Files()) {
    file.Module()->InsertLines(1, qlx::FromUtf8(kAddedLine));
  }
  modules.StoreChanges();
  WriteFile(changed, doc.Render());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: write_documents DIR\n";
    return 2;
  }
  const fs::path dir = argv[1];
  fs::create_directories(dir);
  try {
    Write(dir, "built.xlsm", testing::Xlsm(WriteCompoundFile(*testing::ProjectTree(932, kModules))));
    Write(dir, "built.xls", testing::Xls(testing::ProjectTree(932, kModules)));
    Write(dir, "built.docm", testing::Docm(WriteCompoundFile(*testing::ProjectTree(932, {kModules[0]}))));
  } catch (const std::exception& e) {
    std::cerr << "write_documents: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
