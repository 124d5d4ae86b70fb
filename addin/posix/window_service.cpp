// Off Windows there is no window to move: the window service only records.
#include <memory>

#include "addin/mod_form_setting.h"

namespace qlx {

std::unique_ptr<WindowService> PlatformWindowService() { return std::make_unique<RecordingWindowService>(); }

}  // namespace qlx
