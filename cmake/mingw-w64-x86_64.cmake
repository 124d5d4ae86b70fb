# Cross-builds the Windows add-in with MinGW-w64 (x86_64) from Linux.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QLX_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_w64_common.cmake)
