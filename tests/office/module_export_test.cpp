// Exported module files: the block each kind of module gets, and the stream
// form recovered from an exported file.
#include "office/module_export.h"

#include <gtest/gtest.h>

namespace qlx::office {
namespace {

VbaModule Module(const char* name, VbaModule::Type type) {
  VbaModule m;
  m.name = name;
  m.type = type;
  return m;
}

const std::string kSource = "Attribute VB_Name = \"X\"\r\nOption Explicit\r\n";

TEST(ModuleExport, EachKindGetsTheEditorsFileAndBlock) {
  EXPECT_EQ(ExportExtension(VbaModule::Type::kStandard), ".bas");
  EXPECT_EQ(ExportExtension(VbaModule::Type::kClass), ".cls");
  EXPECT_EQ(ExportExtension(VbaModule::Type::kDocument), ".cls");
  EXPECT_EQ(ExportExtension(VbaModule::Type::kForm), ".frm");
  EXPECT_EQ(ExportText(Module("X", VbaModule::Type::kStandard), kSource), kSource);
  EXPECT_EQ(ExportText(Module("X", VbaModule::Type::kClass), kSource),
            "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n" + kSource);
  EXPECT_EQ(ExportText(Module("F", VbaModule::Type::kForm), kSource).substr(0, 62),
            "VERSION 5.00\r\n"
      "Begin {C62A69F0-16DC-11CE-9E98-00AA00574A4F} F\r\n");
}

TEST(ModuleExport, StreamFormUndoesTheExport) {
  for (auto type : {VbaModule::Type::kStandard, VbaModule::Type::kClass, VbaModule::Type::kDocument, VbaModule::Type::kForm}) {
    EXPECT_EQ(StreamForm(ExportText(Module("X", type), kSource)), kSource);
  }
}

TEST(ModuleExport, StreamFormSkipsAFormsNestedControls) {
  const std::string frm =
      "VERSION 5.00\r\nObject = \"{0D452EE1-E08F-101A-852E-02608C4D0BB4}#2.0#0\"; \"FM20.DLL\"\r\n"
      "Begin {C62A69F0-16DC-11CE-9E98-00AA00574A4F} UserForm1\r\n   Caption = \"Begin\"\r\n"
      "   Begin Forms.CommandButton cmdOk\r\n      BeginProperty Font\r\n         Name = \"MS UI Gothic\"\r\n"
      "      EndProperty\r\n   End\r\nEnd\r\n" + kSource;
  EXPECT_EQ(StreamForm(frm), kSource);
  // LF-only files and a file without the block.
  EXPECT_EQ(StreamForm("VERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1  'True\nEND\nAttribute VB_Name = \"C\"\n"),
            "Attribute VB_Name = \"C\"\n");
  EXPECT_EQ(StreamForm(kSource), kSource);
}

}  // namespace
}  // namespace qlx::office
