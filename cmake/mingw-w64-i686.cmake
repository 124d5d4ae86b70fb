# Cross-builds the Windows add-in with MinGW-w64 (i686) from Linux.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QLX_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw_w64_common.cmake)
