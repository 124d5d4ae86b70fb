// ModAddDebugVBE: expands the 'deb marker comments of the active code module
// into Debug.Print statements ("'deb total", or "'deb arr for" for a loop over
// an array).
#pragma once

#include <cstdint>
#include <memory>

#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

class ModAddDebugVBE {
 public:
  ModAddDebugVBE(UiService& ui, Desktop& desktop);
  ModAddDebugVBE(const ModAddDebugVBE&) = delete;
  ModAddDebugVBE& operator=(const ModAddDebugVBE&) = delete;

  // The editor to work against; nullptr at disconnection.
  void SetVBInstance(std::shared_ptr<VBE> vbe);

  // Replaces every marker of the active code module, from the top, until the
  // first malformed one, which stops the command with a "QLX" message naming
  // its row. A failing editor call ends the command silently; lines already
  // changed stay. Drawing of the code window is stopped throughout.
  void ReplaceDeb();

  // The number of runs of characters other than the space: "'deb  x  for"
  // has 3, "" has 0. A failure is reported as "Error: N. desc" titled
  // "CountWords" and gives 0.
  std::int32_t CountWords(TextView text);

 private:
  UiService& ui_;
  Desktop& desktop_;
  std::shared_ptr<VBE> vbe_;
};

}  // namespace qlx
