# Fails when a core file reads an environment variable: the programs (cli/,
# win/) read the environment and hand what it says to the core.
# Run as: cmake -DQLX_ROOT=<source dir> -P check_core_environment.cmake
set(core_layers host analysis header errtrap debugexp addin office check)
set(found "")
foreach(layer ${core_layers})
  file(GLOB_RECURSE files ${QLX_ROOT}/${layer}/*.cpp ${QLX_ROOT}/${layer}/*.h)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "(getenv|_wgetenv|_wputenv|putenv|setenv|GetEnvironmentVariable|[^_a-zA-Z]environ[^a-zA-Z_])")
    foreach(line ${lines})
      file(RELATIVE_PATH relative ${QLX_ROOT} ${file})
      string(APPEND found "\n  ${relative}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "core files read the environment (read it in cli/ or win/ and pass it in):${found}")
endif()
