# What the two MinGW-w64 toolchain files share; each sets
# CMAKE_SYSTEM_PROCESSOR and QLX_MINGW_PREFIX, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model: std::thread and std::mutex (qlx check, qlx lsp);
# winpthread is linked in statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${QLX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QLX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QLX_MINGW_PREFIX}-windres)
set(QLX_WIDL ${QLX_MINGW_PREFIX}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${QLX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
