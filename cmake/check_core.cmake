# Checks the rules every libqlx file keeps, so that the core stays usable by
# all of its faces: run as
#   cmake -DQLX_ROOT=<source tree> -P cmake/check_core.cmake
# It prints one line per broken rule (path:line: rule: text) and fails when
# there is any.
#
# A rule is a function qlx_rule_<name>(path line_text) that calls
# qlx_violation(<why>) for a line that breaks it; add its name to
# QLX_CORE_RULES. Lines reach the rules with string and character literals
# and // comments taken out (the raw line is in QLX_RAW_LINE), so words in
# messages and comments never count.

cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED QLX_ROOT)
  get_filename_component(QLX_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

# The core's layers, lowest first (host/memory and host/files sit in host/).
set(QLX_CORE_DIRS host host/memory host/files analysis office header errtrap debugexp operations settings
                  addin check)
set(QLX_CORE_RULES outer_includes upward_includes bare_vb_errors reads_environment)

# The index in QLX_CORE_DIRS of the layer a path (file or folder) belongs to,
# -1 when none: the innermost, as host/memory/ sits in host/.
function(qlx_layer_of path out)
  set(found -1)
  set(index 0)
  foreach(dir IN LISTS QLX_CORE_DIRS)
    if("${path}/" MATCHES "^${dir}/")
      set(found ${index})
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The core is built below the faces: it includes nothing of theirs.
function(qlx_rule_outer_includes path line)
  if(QLX_RAW_LINE MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"](cli|win|tests)/")
    qlx_violation("includes a file of ${CMAKE_MATCH_1}/")
  endif()
endfunction()

# A layer includes only itself and the layers below it. The build's include
# paths keep that for what it compiles; this also covers the files of the
# other platform and headers no file of their layer includes.
function(qlx_rule_upward_includes path line)
  if(QLX_RAW_LINE MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([A-Za-z0-9_/]+)/[^/]+[>\"]")
    qlx_layer_of("${CMAKE_MATCH_1}" included)
    if(included GREATER QLX_FILE_LAYER)
      list(GET QLX_CORE_DIRS ${included} included_dir)
      list(GET QLX_CORE_DIRS ${QLX_FILE_LAYER} own_dir)
      qlx_violation("includes ${included_dir}/, a layer above ${own_dir}/")
    endif()
  endif()
endfunction()

# VB error numbers are named once, in host/vberror.h, with their standard
# descriptions in host/vberror.cpp; everywhere else they go by name.
function(qlx_rule_bare_vb_errors path line)
  if(path MATCHES "^host/vberror\\.(h|cpp)$")
    return()
  endif()
  if(line MATCHES "(VbError|FileAccessError)[ \t]*[({][ \t]*[0-9]")
    qlx_violation("VB error by number, use its vberr:: name")
  elseif(line MATCHES "Number[ \t]*\\([ \t]*\\)[ \t]*[!=<>]=?[ \t]*[0-9]")
    qlx_violation("VB error compared with a number, use its vberr:: name")
  elseif(line MATCHES "namespace[ \t]+vberr")
    qlx_violation("VB error names belong in host/vberror.h")
  elseif(line MATCHES "(VbError|FileAccessError)[ \t]*[({][ \t]*(k[A-Za-z0-9_]+)")
    # A local constant standing for a number is a bare number too.
    set(name "${CMAKE_MATCH_2}")
    if(name IN_LIST QLX_FILE_CONSTANTS)
      qlx_violation("VB error by a local number ${name}, use its vberr:: name")
    endif()
  endif()
endfunction()

# The faces read the environment and hand what it says to the core, so that
# the core does the same for every face and every test.
function(qlx_rule_reads_environment path line)
  if(line MATCHES "(^|[^A-Za-z0-9_])(getenv|_wgetenv|_wputenv|putenv|setenv|GetEnvironmentVariable[AW]?|environ)[ \t]*[(;]")
    qlx_violation("reads the environment (${CMAKE_MATCH_2}), read it in the face and pass it in")
  endif()
endfunction()

function(qlx_violation why)
  set_property(GLOBAL APPEND PROPERTY QLX_VIOLATIONS
               "${QLX_PATH}:${QLX_LINE_NO}: ${QLX_RULE}: ${why}: ${QLX_ENCODED_LINE}")
endfunction()

# The line without string and character literals and // comments.
function(qlx_code_of raw out)
  string(REGEX REPLACE "'([^'\\\\]|\\\\.)'" "''" code "${raw}")
  string(REGEX REPLACE "\"([^\"\\\\]|\\\\.)*\"" "\"\"" code "${code}")
  string(REGEX REPLACE "//.*$" "" code "${code}")
  set(${out} "${code}" PARENT_SCOPE)
endfunction()

set(files)
foreach(dir IN LISTS QLX_CORE_DIRS)
  file(GLOB_RECURSE found RELATIVE "${QLX_ROOT}" "${QLX_ROOT}/${dir}/*.h" "${QLX_ROOT}/${dir}/*.cpp")
  list(APPEND files ${found})
endforeach()
list(REMOVE_DUPLICATES files)
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "no core files under ${QLX_ROOT}")
endif()

foreach(QLX_PATH IN LISTS files)
  file(READ "${QLX_ROOT}/${QLX_PATH}" content)
  # Keep list separators and brackets out of the way of CMake's lists.
  string(REPLACE ";" "<semicolon>" content "${content}")
  string(REPLACE "[" "<lbracket>" content "${content}")
  string(REPLACE "]" "<rbracket>" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")
  # Names a file gives to plain numbers: `constexpr int kOverflow = 6;`.
  string(REGEX MATCHALL "constexpr[ \t]+int[ \t]+k[A-Za-z0-9_]+[ \t]*=[ \t]*[0-9]+[ \t]*<semicolon>"
         definitions "${content}")
  set(QLX_FILE_CONSTANTS)
  foreach(definition IN LISTS definitions)
    string(REGEX REPLACE "^constexpr[ \t]+int[ \t]+(k[A-Za-z0-9_]+).*$" "\\1" name "${definition}")
    list(APPEND QLX_FILE_CONSTANTS ${name})
  endforeach()
  qlx_layer_of("${QLX_PATH}" QLX_FILE_LAYER)
  set(QLX_LINE_NO 0)
  foreach(QLX_ENCODED_LINE IN LISTS lines)
    math(EXPR QLX_LINE_NO "${QLX_LINE_NO} + 1")
    string(REPLACE "<semicolon>" ";" QLX_RAW_LINE "${QLX_ENCODED_LINE}")
    string(REPLACE "<lbracket>" "[" QLX_RAW_LINE "${QLX_RAW_LINE}")
    string(REPLACE "<rbracket>" "]" QLX_RAW_LINE "${QLX_RAW_LINE}")
    qlx_code_of("${QLX_RAW_LINE}" code)
    foreach(QLX_RULE IN LISTS QLX_CORE_RULES)
      cmake_language(CALL qlx_rule_${QLX_RULE} "${QLX_PATH}" "${code}")
    endforeach()
  endforeach()
endforeach()

get_property(violations GLOBAL PROPERTY QLX_VIOLATIONS)
list(LENGTH files file_count)
if(violations)
  list(LENGTH violations count)
  string(REPLACE ";" "\n" report "${violations}")
  string(REPLACE "<semicolon>" ";" report "${report}")
  string(REPLACE "<lbracket>" "[" report "${report}")
  string(REPLACE "<rbracket>" "]" report "${report}")
  message("${report}")
  message(FATAL_ERROR "${count} core rule(s) broken in ${file_count} files")
endif()
message(STATUS "core rules kept in ${file_count} files")
