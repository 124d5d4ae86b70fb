// Builds minimal VBA projects and documents for tests, from modules written
// for the purpose, as the published project format lays them out: the
// PROJECT and PROJECTwm streams, the dir stream, one stream per module holding
// only its compressed source, and the short _VBA_PROJECT stream.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "office/compound_file.h"
#include "office/ovba_compression.h"
#include "office/zip_archive.h"

namespace qlx::office::testing {

struct TestModule {
  std::string name;    // ASCII
  char kind = 'M';     // 'M' standard, 'C' class, 'D' document
  std::string source;  // stream form, in the project's code page
  std::string stream = {};  // the module's stream, when it is not named as the module

  const std::string& StreamName() const { return stream.empty() ? name : stream; }
};

inline void Le16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Le32(std::string& s, std::uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
inline std::string Utf16Le(const std::string& ascii) {
  std::string s;
  for (char c : ascii) Le16(s, static_cast<unsigned char>(c));
  return s;
}
inline void Record(std::string& s, std::uint16_t id, const std::string& data) {
  Le16(s, id);
  Le32(s, static_cast<std::uint32_t>(data.size()));
  s += data;
}
inline void Record32(std::string& s, std::uint16_t id, std::uint32_t v) {
  Le16(s, id);
  Le32(s, 4);
  Le32(s, v);
}
inline void Record16(std::string& s, std::uint16_t id, std::uint16_t v) {
  Le16(s, id);
  Le32(s, 2);
  Le16(s, v);
}

// The decompressed dir stream of a project.
inline std::string DirStream(std::uint16_t code_page, const std::vector<TestModule>& modules) {
  const std::uint32_t lcid = code_page == 932 ? 0x0411 : 0x0409;
  std::string d;
  Record32(d, 0x0001, 1);
  Record32(d, 0x0002, lcid);
  Record32(d, 0x0014, lcid);
  Record16(d, 0x0003, code_page);
  Record(d, 0x0004, "VBAProject");
  Record(d, 0x0005, "");
  Record(d, 0x0040, "");
  Record(d, 0x0006, "");
  Record(d, 0x003D, "");
  Record32(d, 0x0007, 0);
  Record32(d, 0x0008, 0);
  Le16(d, 0x0009);  // version: a stated size of 4, then six bytes
  Le32(d, 4);
  Le32(d, 1);
  Le16(d, 0);
  Record(d, 0x000C, "");
  Record(d, 0x003C, "");
  // One reference, to the OLE automation library.
  Record(d, 0x0016, "stdole");
  Record(d, 0x003E, Utf16Le("stdole"));
  const std::string libid = "*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\System32\\stdole2.tlb#OLE Automation";
  std::string reg;
  Le32(reg, static_cast<std::uint32_t>(libid.size()));
  reg += libid;
  Le32(reg, 0);
  Le16(reg, 0);
  Record(d, 0x000D, reg);
  Record16(d, 0x000F, static_cast<std::uint16_t>(modules.size()));
  Record16(d, 0x0013, 0xFFFF);
  for (const TestModule& m : modules) {
    Record(d, 0x0019, m.name);
    Record(d, 0x0047, Utf16Le(m.name));
    Record(d, 0x001A, m.StreamName());
    Record(d, 0x0032, Utf16Le(m.StreamName()));
    Record(d, 0x001C, "");
    Record(d, 0x0048, "");
    Record32(d, 0x0031, 0);
    Record32(d, 0x001E, 0);
    Record16(d, 0x002C, 0xFFFF);
    Le16(d, m.kind == 'M' ? 0x0021 : 0x0022);
    Le32(d, 0);
    Le16(d, 0x002B);
    Le32(d, 0);
  }
  Le16(d, 0x0010);
  Le32(d, 0);
  return d;
}

// Encrypts a protected PROJECT value (CMG, DPB, GC) as the VBA editor does,
// with a fixed seed.
inline std::string EncryptProjectValue(const std::string& data, const std::string& project_id, unsigned seed = 0x5B) {
  unsigned key = 0;
  for (char c : project_id) key = (key + static_cast<unsigned char>(c)) & 0xFF;
  std::string out{static_cast<char>(seed), static_cast<char>(seed ^ 2), static_cast<char>(seed ^ key)};
  unsigned unencrypted1 = key, encrypted1 = seed ^ key, encrypted2 = seed ^ 2;
  auto put = [&](unsigned plain) {
    const unsigned enc = (plain ^ (encrypted2 + unencrypted1)) & 0xFF;
    out.push_back(static_cast<char>(enc));
    encrypted2 = encrypted1;
    encrypted1 = enc;
    unencrypted1 = plain;
  };
  for (unsigned i = 0; i < (seed & 6) / 2; ++i) put(0x07);
  for (int i = 0; i < 4; ++i) put((data.size() >> (8 * i)) & 0xFF);
  for (char c : data) put(static_cast<unsigned char>(c));
  static const char* const kHex = "0123456789ABCDEF";
  std::string hex;
  for (char c : out) {
    hex.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(kHex[static_cast<unsigned char>(c) & 15]);
  }
  return hex;
}

inline constexpr char kProjectId[] = "{9E394C0B-697E-4AEE-9FA6-446F51FB30DC}";

// The PROJECT stream; `password` non-empty stands for a protected project
// (its hash is not real: only its length tells a reader there is one).
inline std::string ProjectStream(const std::vector<TestModule>& modules, const std::string& password = "") {
  std::string p = std::string("ID=\"") + kProjectId + "\"\r\n";
  for (const TestModule& m : modules) {
    if (m.kind == 'M') p += "Module=" + m.name + "\r\n";
    if (m.kind == 'C') p += "Class=" + m.name + "\r\n";
    if (m.kind == 'D') p += "Document=" + m.name + "/&H00000000\r\n";
  }
  p += "Name=\"VBAProject\"\r\nHelpContextID=\"0\"\r\nVersionCompatible32=\"393222000\"\r\n";
  const std::string state = password.empty() ? std::string(4, '\0') : std::string("\x01\0\0\0", 4);
  const std::string dpb = password.empty() ? std::string(1, '\0') : std::string(29, '\x42');
  p += "CMG=\"" + EncryptProjectValue(state, kProjectId) + "\"\r\n";
  p += "DPB=\"" + EncryptProjectValue(dpb, kProjectId, 0x9F) + "\"\r\n";
  p += "GC=\"" + EncryptProjectValue(std::string(1, '\xFF'), kProjectId, 0x3A) + "\"\r\n\r\n";
  p += "[Host Extender Info]\r\n&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n\r\n[Workspace]\r\n";
  for (const TestModule& m : modules) p += m.name + "=0, 0, 0, 0, C\r\n";
  return p;
}

// The project's storage tree (the root of vbaProject.bin).
inline std::unique_ptr<CompoundEntry> ProjectTree(std::uint16_t code_page, const std::vector<TestModule>& modules,
                                                  const std::string& password = "") {
  auto root = std::make_unique<CompoundEntry>();
  root->kind = CompoundEntry::Kind::kStorage;
  root->name = u"Root Entry";
  root->PutStream(u"PROJECT", ProjectStream(modules, password));
  std::string wm;
  for (const TestModule& m : modules) {
    wm += m.name + '\0';
    wm += Utf16Le(m.name) + std::string(2, '\0');
  }
  root->PutStream(u"PROJECTwm", wm + std::string(2, '\0'));
  CompoundEntry& vba = root->PutStorage(u"VBA");
  vba.PutStream(u"_VBA_PROJECT", std::string("\xCC\x61\xFF\xFF\x00\x00\x00", 7));
  vba.PutStream(u"dir", Compress(DirStream(code_page, modules)));
  for (const TestModule& m : modules) {
    vba.PutStream(std::u16string(m.StreamName().begin(), m.StreamName().end()), Compress(m.source));
  }
  return root;
}

// A macro-enabled workbook holding the project.
inline std::string Xlsm(const std::string& vba_project_bin) {
  const std::string rels_ns = "http://schemas.openxmlformats.org/package/2006/relationships";
  const std::string doc_rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return MakeZipArchive({
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.ms-excel.sheet.macroEnabled.main+xml\"/>"
       "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>"},
      {"_rels/.rels", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"" + rels_ns +
                          "\"><Relationship Id=\"rId1\" Type=\"" + doc_rel +
                          "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + doc_rel +
           "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"" + rels_ns +
           "\"><Relationship Id=\"rId1\" Type=\"" + doc_rel +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
           "Type=\"http://schemas.microsoft.com/office/2006/relationships/vbaProject\" Target=\"vbaProject.bin\"/>"
           "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/></worksheet>"},
      {"xl/vbaProject.bin", vba_project_bin},
  });
}

// Bytes that do not compress, as a picture's: the same for the same size.
inline std::string PictureBytes(std::size_t size) {
  std::string s(size, '\0');
  std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(size);
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  return s;
}

// A workbook laid out as Excel saves one with a picture: its parts in
// Excel's order, the picture (of picture_size bytes) stored before
// xl/vbaProject.bin or after it, the document properties last.
inline std::string ExcelWorkbook(const std::string& vba_project_bin, std::size_t picture_size, bool picture_first) {
  const std::string rels_ns = "http://schemas.openxmlformats.org/package/2006/relationships";
  const std::string doc_rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
  std::string rows;
  for (int r = 1; r <= 200; ++r) {
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 37 % 1000) +
            "</v></c></row>";
  }
  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml",
       xml + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"png\" ContentType=\"image/png\"/>"
             "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
             "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.ms-excel.sheet.macroEnabled.main+xml\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
             "<Override PartName=\"/xl/drawings/drawing1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>"
             "<Override PartName=\"/docProps/core.xml\" "
             "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
             "<Override PartName=\"/docProps/app.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/></Types>"},
      {"_rels/.rels", xml + "<Relationships xmlns=\"" + rels_ns + "\"><Relationship Id=\"rId3\" Type=\"" + doc_rel +
                          "/extended-properties\" Target=\"docProps/app.xml\"/><Relationship Id=\"rId2\" "
                          "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
                          "Target=\"docProps/core.xml\"/><Relationship Id=\"rId1\" Type=\"" + doc_rel +
                          "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", xml + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                              doc_rel + "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       xml + "<Relationships xmlns=\"" + rels_ns + "\"><Relationship Id=\"rId1\" Type=\"" + doc_rel +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
           "Type=\"http://schemas.microsoft.com/office/2006/relationships/vbaProject\" Target=\"vbaProject.bin\"/>"
           "</Relationships>"},
      {"xl/worksheets/sheet1.xml",
       xml + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" + doc_rel +
           "\"><sheetData>" + rows + "</sheetData><drawing r:id=\"rId1\"/></worksheet>"},
      {"xl/worksheets/_rels/sheet1.xml.rels", xml + "<Relationships xmlns=\"" + rels_ns + "\"><Relationship Id=\"rId1\" Type=\"" +
                                                  doc_rel + "/drawing\" Target=\"../drawings/drawing1.xml\"/></Relationships>"},
      {"xl/drawings/drawing1.xml",
       xml + "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>"},
      {"xl/drawings/_rels/drawing1.xml.rels", xml + "<Relationships xmlns=\"" + rels_ns + "\"><Relationship Id=\"rId1\" Type=\"" +
                                                  doc_rel + "/image\" Target=\"../media/image1.png\"/></Relationships>"},
  };
  const std::pair<std::string, std::string> picture{"xl/media/image1.png", PictureBytes(picture_size)};
  if (picture_first) parts.push_back(picture);
  parts.emplace_back("xl/vbaProject.bin", vba_project_bin);
  if (!picture_first) parts.push_back(picture);
  parts.emplace_back("docProps/core.xml",
                     xml + "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
                           "core-properties\"><cp:lastModifiedBy>yamada</cp:lastModifiedBy></cp:coreProperties>");
  parts.emplace_back("docProps/app.xml",
                     xml + "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
                           "<Application>Microsoft Excel</Application></Properties>");
  return MakeZipArchive(parts);
}

// A macro-enabled Word document holding the project.
inline std::string Docm(const std::string& vba_project_bin) {
  const std::string rels_ns = "http://schemas.openxmlformats.org/package/2006/relationships";
  const std::string doc_rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return MakeZipArchive({
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.ms-word.document.macroEnabled.main+xml\"/>"
       "</Types>"},
      {"_rels/.rels", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"" + rels_ns +
                          "\"><Relationship Id=\"rId1\" Type=\"" + doc_rel +
                          "/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
      {"word/document.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
       "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p/></w:body>"
       "</w:document>"},
      {"word/_rels/document.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"" + rels_ns +
           "\"><Relationship Id=\"rId1\" Type=\"http://schemas.microsoft.com/office/2006/relationships/vbaProject\" "
           "Target=\"vbaProject.bin\"/></Relationships>"},
      {"word/vbaProject.bin", vba_project_bin},
  });
}

// The smallest Excel 97-2003 workbook that holds a project: a globals
// substream (BOF, CODEPAGE, OBJPROJ, one BOUNDSHEET, EOF) and one empty sheet,
// with the project in the _VBA_PROJECT_CUR storage.
inline std::string Xls(std::unique_ptr<CompoundEntry> project) {
  auto record = [](std::uint16_t type, const std::string& data) {
    std::string r;
    Le16(r, type);
    Le16(r, static_cast<std::uint32_t>(data.size()));
    return r + data;
  };
  auto bof = [&](std::uint16_t kind) {
    std::string d;
    Le16(d, 0x0600);
    Le16(d, kind);
    Le16(d, 0x0DBB);
    Le16(d, 0x07CC);
    Le32(d, 0);
    Le32(d, 0x06);
    return record(0x0809, d);
  };
  std::string codepage;
  Le16(codepage, 1200);
  const std::string eof = record(0x000A, "");
  std::string globals = bof(0x0005) + record(0x0042, codepage) + record(0x00D3, "");
  const std::string name = "Sheet1";
  const std::size_t sheet_at = globals.size() + 4 + 8 + name.size() + eof.size();
  std::string sheet_entry;
  Le32(sheet_entry, static_cast<std::uint32_t>(sheet_at));
  sheet_entry += std::string{'\0', '\0', static_cast<char>(name.size()), '\0'} + name;
  globals += record(0x0085, sheet_entry) + eof;
  auto root = std::make_unique<CompoundEntry>();
  root->kind = CompoundEntry::Kind::kStorage;
  root->name = u"Root Entry";
  // Streams under 4096 bytes would go to the mini stream, which some
  // readers do not expect of a workbook.
  root->PutStream(u"Workbook", globals + bof(0x0010) + eof + std::string(4096, '\0'));
  CompoundEntry& cur = root->PutStorage(u"_VBA_PROJECT_CUR");
  for (auto& child : project->children) cur.children.push_back(std::move(child));
  return WriteCompoundFile(*root);
}

// Hostile documents, as mail brings them.

// `count` modules whose dir records all name one stream, which expands to
// `expands_to` bytes: a small workbook that asks for count times as much.
inline std::string XlsmOfOneBombStream(int count, std::size_t expands_to) {
  std::vector<TestModule> modules;
  // The stream is made from the last module's source.
  for (int i = 1; i <= count; ++i) {
    modules.push_back({"Module" + std::to_string(i), 'M', i == count ? std::string(expands_to, 'a') : "", "Bomb"});
  }
  return Xlsm(WriteCompoundFile(*ProjectTree(932, modules)));
}

// A workbook whose Module1 stream ends inside its compressed chunk: its last
// bytes (literals) are gone.
inline std::string XlsmWithCutOffModule(const std::vector<TestModule>& modules, std::size_t cut) {
  auto tree = ProjectTree(932, modules);
  std::string& stream = tree->Child(u"VBA")->Child(u"Module1")->data;
  stream.resize(stream.size() - cut);
  return Xlsm(WriteCompoundFile(*tree));
}

// An .xls with `entries` more streams whose directory entries all start at
// the Workbook stream's sector chain and claim its size: each would be read
// whole, the file asking for entries times its Workbook.
inline std::string XlsWithSharedChain(const std::vector<TestModule>& modules, int entries, std::size_t workbook_size) {
  auto project = ProjectTree(932, modules);
  auto root = std::make_unique<CompoundEntry>();
  root->kind = CompoundEntry::Kind::kStorage;
  root->name = u"Root Entry";
  root->PutStream(u"Workbook", std::string(workbook_size, 'w'));
  for (int i = 0; i < entries; ++i) {
    const std::string name = "S" + std::to_string(100000 + i);
    root->PutStream(std::u16string(name.begin(), name.end()), "x");
  }
  CompoundEntry& cur = root->PutStorage(u"_VBA_PROJECT_CUR");
  for (auto& child : project->children) cur.children.push_back(std::move(child));
  std::string file = WriteCompoundFile(*root);
  // The directory entry of a name: 128 bytes, the UTF-16 name first.
  auto entry_of = [&](const std::string& name) {
    const std::string key = Utf16Le(name) + std::string(2, '\0');
    for (std::size_t at = file.find(key); at != std::string::npos; at = file.find(key, at + 1)) {
      if (at >= 512 && (at - 512) % 128 == 0) return at;
    }
    return std::string::npos;
  };
  const std::size_t workbook = entry_of("Workbook");
  for (int i = 0; i < entries; ++i) {
    const std::size_t at = entry_of("S" + std::to_string(100000 + i));
    file.replace(at + 116, 8, file.substr(workbook + 116, 8));  // start sector and size
  }
  return file;
}

}  // namespace qlx::office::testing
