// Late-bound calls on an editor object through IDispatch, VB-style: names
// looked up once per object, arguments in their natural order, failures
// thrown as VbError with the editor's number and description. Windows only.
#pragma once

#include <string>
#include <vector>

#include "host/com/com_holders.h"

namespace qlx::com {

class Dispatcher {
 public:
  explicit Dispatcher(ComPtr<IDispatch> object);

  // object.name(args...) read as VB reads a value: a method call or a
  // property get (DISPATCH_METHOD | DISPATCH_PROPERTYGET).
  Variant Get(const wchar_t* name, std::vector<Variant> args = {});
  // A method called for its effect (DISPATCH_METHOD).
  Variant Call(const wchar_t* name, std::vector<Variant> args = {});
  // object.name(args...) = value (DISPATCH_PROPERTYPUT).
  void Put(const wchar_t* name, Variant value, std::vector<Variant> args = {});
  // The default member (DISPID_VALUE) read with args, as bars("Add-Ins").
  Variant GetDefault(std::vector<Variant> args);

  IDispatch* get() const { return object_.get(); }
  const ComPtr<IDispatch>& object() const { return object_; }

 private:
  DISPID IdOf(const wchar_t* name);
  Variant Invoke(DISPID id, WORD flags, std::vector<Variant>& args);

  ComPtr<IDispatch> object_;
  std::vector<std::pair<std::wstring, DISPID>> ids_;
};

// VB-style conversions of a result; a value that does not convert throws
// error 13 (type mismatch) or 6 (overflow). By-reference values are read
// through.
Text ToText(const Variant& value);
std::int32_t ToInt32(const Variant& value);
bool ToBool(const Variant& value);
// An object result; an empty holder for Nothing or Empty, error 13 for other values.
ComPtr<IDispatch> ToDispatch(const Variant& value);

}  // namespace qlx::com
