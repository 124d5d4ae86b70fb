// QLX_Project.ClsProcInf as VBA code uses it, late bound: CreateObject by
// ProgID, Set VBInstanceC to the editor, GetProcInf(row), then every property
// (the indexed ones for each entry) read through IDispatch must equal what
// libqlx's ClsProcInf gives on the same editor, message boxes included.
#include "analysis/cls_proc_inf.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "support/editor.h"
#include "guids.h"
#include "host/com/dispatch.h"
#include "host/ui.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

// The record's members, in the order of its interface.
const wchar_t* const kMemberOrder[] = {
    L"VBInstanceC",    L"ModuleName",       L"ProcName",       L"ProcType",      L"ProcTypeStr",
    L"TotalRowsCount", L"ProcStartRow",     L"BodyStartRow",   L"BodyDefEndRow", L"InnerDecStartRow",
    L"InnerDecEndRow", L"BodyEndRow",       L"RetType",        L"ParamCount",    L"KeyWord1",
    L"KeyWord2",       L"VarName",          L"VarType",        L"RefIO",         L"GetProcInf",
    L"ResetBodyPos"};

com::ComPtr<IDispatch> CreateObject(const wchar_t* prog_id) {
  CLSID clsid{};
  com::Check(CLSIDFromProgID(prog_id, &clsid));
  com::ComPtr<IDispatch> object;
  com::Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void()));
  return object;
}

// Everything the record tells, read one way or the other, as lines of text.
template <class Read, class ReadIndexed>
std::vector<Text> RecordLines(Read read, ReadIndexed indexed) {
  std::vector<Text> lines;
  for (const wchar_t* name : {L"ModuleName", L"ProcName", L"ProcType", L"ProcTypeStr", L"TotalRowsCount",
                              L"ProcStartRow", L"BodyStartRow", L"BodyDefEndRow", L"InnerDecStartRow",
                              L"InnerDecEndRow", L"BodyEndRow", L"RetType", L"ParamCount"}) {
    lines.push_back(com::FromWide(name) + u"=" + read(name));
  }
  for (short i = 0; i < 30; ++i) {
    Text entry = Str(i) + u":";
    for (const wchar_t* name : {L"KeyWord1", L"KeyWord2", L"VarName", L"VarType", L"RefIO"}) {
      entry += u" " + indexed(name, i);
    }
    lines.push_back(entry);
  }
  return lines;
}

std::vector<Text> DirectLines(const ClsProcInf& r) {
  return RecordLines(
      [&](const wchar_t* name) -> Text {
        const std::wstring n = name;
        if (n == L"ModuleName") return r.ModuleName();
        if (n == L"ProcName") return r.ProcName();
        if (n == L"ProcType") return r.ProcType();
        if (n == L"ProcTypeStr") return r.ProcTypeStr();
        if (n == L"TotalRowsCount") return Str(r.TotalRowsCount());
        if (n == L"ProcStartRow") return Str(r.ProcStartRow());
        if (n == L"BodyStartRow") return Str(r.BodyStartRow());
        if (n == L"BodyDefEndRow") return Str(r.BodyDefEndRow());
        if (n == L"InnerDecStartRow") return Str(r.InnerDecStartRow());
        if (n == L"InnerDecEndRow") return Str(r.InnerDecEndRow());
        if (n == L"BodyEndRow") return Str(r.BodyEndRow());
        if (n == L"RetType") return r.RetType();
        return Str(r.ParamCount());
      },
      [&](const wchar_t* name, short i) -> Text {
        const std::wstring n = name;
        if (n == L"KeyWord1") return r.KeyWord1(i);
        if (n == L"KeyWord2") return r.KeyWord2(i);
        if (n == L"VarName") return r.VarName(i);
        if (n == L"VarType") return r.VarType(i);
        return r.RefIO(i);
      });
}

// Reads through IDispatch; numbers come back as their VB types and are shown
// as decimal text. Odd entries are read with a VT_I4 index, even ones with
// VB's VT_I2 literal.
std::vector<Text> ComLines(com::Dispatcher& d) {
  return RecordLines([&](const wchar_t* name) { return com::ToText(d.Get(name)); },
                     [&](const wchar_t* name, short i) {
                       com::Variant index = i % 2 ? com::Variant::Int32(i) : com::Variant::Int16(i);
                       return com::ToText(d.Get(name, {index}));
                     });
}

void CheckSameLines(const std::vector<Text>& via_com, const std::vector<Text>& direct, const Text& what) {
  bool same = via_com.size() == direct.size();
  for (std::size_t i = 0; same && i < via_com.size(); ++i) {
    if (via_com[i] != direct[i]) {
      CHECK_MSG(false, Show(what) + ": through COM " + Show(via_com[i]) + ", directly " + Show(direct[i]));
      return;
    }
  }
  CHECK_MSG(same, Show(what));
}

std::vector<SeenBox> AsSeen(const std::vector<RecordedBox>& boxes) {
  std::vector<SeenBox> out;
  for (const RecordedBox& b : boxes) out.push_back(SeenBox{b.title, b.text, b.buttons == Buttons::kYesNo, false, {}});
  return out;
}

void CheckBoxes(const std::vector<SeenBox>& seen, const std::vector<SeenBox>& expected, const Text& what) {
  std::string detail = Show(what) + ": saw";
  for (const SeenBox& b : seen) detail += " " + Show(b);
  detail += "; expected";
  for (const SeenBox& b : expected) detail += " " + Show(b);
  CHECK_MSG(seen == expected, detail);
}

// Waits for the box watcher to report what a finished call showed.
std::vector<SeenBox> SeenBoxes(Harness& h, std::size_t expected) {
  std::vector<SeenBox> all;
  for (int i = 0; i < 50 && all.size() < expected; ++i) {
    std::vector<SeenBox> more = h.boxes->Take();
    all.insert(all.end(), more.begin(), more.end());
    if (all.size() < expected) Sleep(20);
  }
  std::vector<SeenBox> late = h.boxes->Take();
  all.insert(all.end(), late.begin(), late.end());
  return all;
}

HRESULT RawGet(IDispatch* object, const wchar_t* name, VARIANT index, com::ExcepInfo& e) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
  DISPPARAMS params{&index, nullptr, 1, 0};
  com::Variant result;
  UINT arg_error = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                        result.get(), e.get(), &arg_error);
}

}  // namespace

void RunClsProcInfScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  const ULONG own = vbe->Refs();

  t.Scenario("ClsProcInf's type library lists its members in the order of its interface", [&] {
    com::ComPtr<IDispatch> record = CreateObject(L"QLX_Project.ClsProcInf");
    UINT count = 0;
    CHECK_HR(record->GetTypeInfoCount(&count));
    CHECK_EQ(static_cast<long long>(count), 1LL);
    com::ComPtr<ITypeInfo> info;
    CHECK_HR(record->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
    if (!info) return;
    TYPEATTR* attr = nullptr;
    CHECK_HR(info->GetTypeAttr(&attr));
    if (!attr) return;
    CHECK(attr->guid == win::kIidClsProcInf);
    std::vector<std::wstring> names;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* func = nullptr;
      if (FAILED(info->GetFuncDesc(i, &func))) continue;
      // IUnknown's and IDispatch's own methods are restricted.
      if (func->wFuncFlags & FUNCFLAG_FRESTRICTED) {
        info->ReleaseFuncDesc(func);
        continue;
      }
      com::Bstr name;
      UINT got = 0;
      info->GetNames(func->memid, name.put(), 1, &got);
      const std::wstring n(com::Wide(name.ToText()));
      if (names.empty() || names.back() != n) names.push_back(n);
      info->ReleaseFuncDesc(func);
    }
    info->ReleaseTypeAttr(attr);
    std::vector<std::wstring> expected(std::begin(kMemberOrder), std::end(kMemberOrder));
    std::string listed;
    for (const std::wstring& n : names) listed += " " + Show(n);
    CHECK_MSG(names == expected, "listed" + listed);
  });

  t.Scenario("ClsProcInf through IDispatch gives what libqlx's record gives", [&] {
    com::Dispatcher record(CreateObject(L"QLX_Project.ClsProcInf"));
    // Set VBInstanceC = Application.VBE
    {
      std::vector<com::Variant> args{com::Variant::Dispatch(vbe.get())};
      VARIANT value = *args[0].get();
      DISPID put = DISPID_PROPERTYPUT;
      DISPPARAMS params{&value, &put, 1, 1};
      DISPID id = 0;
      LPOLESTR names[] = {const_cast<LPOLESTR>(L"VBInstanceC")};
      CHECK_HR(record.get()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
      CHECK_HR(record.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, nullptr,
                                    nullptr, nullptr));
    }
    com::ComPtr<IDispatch> back = com::ToDispatch(record.Get(L"VBInstanceC"));
    CHECK(back.get() == static_cast<IDispatch*>(vbe.get()));
    back.reset();

    // One record each way for all rows: entries beyond ParamCount keep
    // what earlier procedures left there.
    RecordingUi ui;
    ClsProcInf direct(ui);
    direct.VBInstanceC(editor);
    for (Row row : {4, 5, 9, 14, 17, 18, 21, 25}) {
      ui.boxes.clear();
      const bool direct_result = direct.GetProcInf(row);
      const bool com_result = com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int16(static_cast<short>(row))}));
      CHECK_EQ(com_result, direct_result);
      CheckSameLines(ComLines(record), DirectLines(direct), u"row " + Str(row));
      CheckBoxes(SeenBoxes(h, ui.boxes.size()), AsSeen(ui.boxes), u"row " + Str(row));
    }
  });

  t.Scenario("GetProcInf's message boxes have the exact title and text", [&] {
    com::Dispatcher record(CreateObject(L"QLX_Project.ClsProcInf"));
    record.Put(L"VBInstanceC", com::Variant::Dispatch(vbe.get()));
    // Row 29 has no End line; row 1 lies in the declaration section.
    RecordingUi ui;
    ClsProcInf direct(ui);
    direct.VBInstanceC(editor);
    for (Row row : {29, 1}) {
      ui.boxes.clear();
      CHECK(!direct.GetProcInf(row));
      CHECK(!com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int32(row)})));
      CheckBoxes(SeenBoxes(h, ui.boxes.size()), AsSeen(ui.boxes), u"row " + Str(row));
      CheckSameLines(ComLines(record), DirectLines(direct), u"row " + Str(row));
    }
    const std::vector<SeenBox> expected_end{
        {u"QLX", u"CheckEnd: \u30D7\u30ED\u30B7\u30FC\u30B8\u30E3\u306EEnd\u53E5\u304C\u898B\u3064\u304B\u308A\u307E\u305B\u3093", false, false, {}}};
    CHECK(!com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int32(29)})));
    CheckBoxes(SeenBoxes(h, 1), expected_end, u"row 29");
    // Row 0: False without a box and without asking the editor.
    CHECK(!com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int32(0)})));
    CheckBoxes(SeenBoxes(h, 0), {}, u"row 0");
  });

  t.Scenario("KeyWord1(30) fails with error 9 through IDispatch", [&] {
    com::ComPtr<IDispatch> record = CreateObject(L"QLX_Project.ClsProcInf");
    for (short index : {short{30}, short{-1}}) {
      com::ExcepInfo e;
      com::Variant i = com::Variant::Int16(index);
      CHECK_EQ(ShowHResult(RawGet(record.get(), L"KeyWord1", *i.get(), e)), ShowHResult(DISP_E_EXCEPTION));
      const HRESULT scode = e.get()->scode ? e.get()->scode : static_cast<HRESULT>(0x800A0000u | e.get()->wCode);
      CHECK_EQ(ShowHResult(scode), ShowHResult(static_cast<HRESULT>(0x800A0009)));
      CHECK_EQ(com::Bstr::TextOf(e.get()->bstrDescription), Text(u"Subscript out of range"));
    }
    com::ExcepInfo e;
    com::Variant last = com::Variant::Int16(29);
    CHECK_HR(RawGet(record.get(), L"KeyWord1", *last.get(), e));
    com::Dispatcher d(record);
    bool failed = false;
    try {
      d.Get(L"RefIO", {com::Variant::Int32(30)});
    } catch (const VbError& error) {
      failed = error.Number() == 9 && error.Description() == u"Subscript out of range";
    }
    CHECK(failed);
  });

  t.Scenario("ResetBodyPos follows rows inserted above the declaration", [&] {
    com::Dispatcher record(CreateObject(L"QLX_Project.ClsProcInf"));
    record.Put(L"VBInstanceC", com::Variant::Dispatch(vbe.get()));
    RecordingUi ui;
    ClsProcInf direct(ui);
    direct.VBInstanceC(editor);
    CHECK(direct.GetProcInf(9));
    CHECK(com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int32(9)})));
    editor->Module(kSampleModuleName)->InsertLines(3, u"'1\r\n'2\r\n'3\r\n'4\r\n'5\r\n'6\r\n'7");
    direct.ResetBodyPos(direct.ProcStartRow());
    record.Call(L"ResetBodyPos", {com::Variant::Int32(direct.ProcStartRow())});
    CHECK_EQ(com::ToInt32(record.Get(L"BodyStartRow")), 11);
    CheckSameLines(ComLines(record), DirectLines(direct), u"after ResetBodyPos");
    editor->Module(kSampleModuleName)->DeleteLines(3, 7);
    CHECK(ui.boxes.empty());
    CheckBoxes(SeenBoxes(h, 0), {}, u"ResetBodyPos");
  });

  t.Scenario("Set VBInstanceC = Nothing releases the editor", [&] {
    com::Dispatcher record(CreateObject(L"QLX_Project.ClsProcInf"));
    record.Put(L"VBInstanceC", com::Variant::Dispatch(vbe.get()));
    CHECK(vbe->Refs() > own);
    record.Put(L"VBInstanceC", com::Variant::Dispatch(nullptr));
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
    CHECK(!com::ToDispatch(record.Get(L"VBInstanceC")));
    // Without an editor GetProcInf reports the failure in a box and gives False.
    RecordingUi ui;
    ClsProcInf direct(ui);
    CHECK(!direct.GetProcInf(5));
    CHECK(!com::ToBool(record.Get(L"GetProcInf", {com::Variant::Int32(5)})));
    CHECK_EQ(ui.boxes.size(), std::size_t{1});
    CheckBoxes(SeenBoxes(h, 1), AsSeen(ui.boxes), u"no editor");
  });

  CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
  vbe.reset();
  t.Scenario("every editor object given to ClsProcInf was released", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });
}

}  // namespace qlx::fake
