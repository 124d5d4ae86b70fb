# Writes qlx's man page and its bash and zsh completions from the program's
# own help (qlx --help and each command's --help), so that they say what the
# program does and cannot drift from it:
#
#   cmake -DQLX=build/cli/qlx -DVERSION=1.0.0 -DOUT=folder -P cmake/qlx_help_files.cmake
#
# makes OUT/qlx.1 (the man page), OUT/qlx (bash) and OUT/_qlx (zsh).
#
# The help is CLI11's: a description, "Usage: ...", then sections
# ("Positionals:", "Options:", "Subcommands:") of entries "  TERM  DESCRIPTION"
# (a long TERM has its description on the next lines, indented), then a
# blank line and free text.
cmake_minimum_required(VERSION 3.25)
foreach(variable QLX VERSION OUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "qlx_help_files: -D${variable}=... is needed")
  endif()
endforeach()

# The help of `qlx ARGN --help` as a list of lines. ';', '[' and ']' would be
# taken as list syntax, so they travel as @SC@, @LB@ and @RB@ until written.
function(qlx_help_lines out)
  execute_process(COMMAND "${QLX}" ${ARGN} --help OUTPUT_VARIABLE text ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "qlx_help_files: ${QLX} ${ARGN} --help failed (${status}): ${error}")
  endif()
  string(REPLACE ";" "@SC@" text "${text}")
  string(REPLACE "[" "@LB@" text "${text}")
  string(REPLACE "]" "@RB@" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(qlx_restore out text)
  string(REPLACE "@SC@" ";" text "${text}")
  string(REPLACE "@LB@" "[" text "${text}")
  string(REPLACE "@RB@" "]" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text for roff: backslashes and hyphens escaped, a leading . or ' neutralised.
function(qlx_roff out text)
  qlx_restore(text "${text}")
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    string(PREPEND text "\\&")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Splits the help of one command into variables of the caller's scope:
# <prefix>_summary (the text before Usage:, lines joined by \n), <prefix>_usage,
# <prefix>_entries (an index list; entry i has <prefix>_section_i,
# <prefix>_term_i and <prefix>_text_i) and <prefix>_footer (lines).
function(qlx_parse_help prefix)
  qlx_help_lines(lines ${ARGN})
  set(summary "")
  set(usage "")
  set(footer "")
  set(entries "")
  set(part head)
  set(count 0)
  foreach(line IN LISTS lines)
    if(part STREQUAL "head")
      if(line MATCHES "^Usage: (.*)$")
        set(usage "${CMAKE_MATCH_1}")
        set(part between)
      else()
        string(APPEND summary "${line}\n")
      endif()
    elseif(part STREQUAL "footer")
      list(APPEND footer "${line}")
    elseif(line MATCHES "^([A-Z][a-z]+):$")
      set(section "${CMAKE_MATCH_1}")
      set(part section)
    elseif(part STREQUAL "between" AND line STREQUAL "")
    elseif(part STREQUAL "between")
      set(part footer)
      list(APPEND footer "${line}")
    elseif(part STREQUAL "section" AND line MATCHES "^  [^ ]")
      string(SUBSTRING "${line}" 2 -1 rest)
      string(FIND "${rest}" "  " gap)
      if(gap EQUAL -1)
        set(term "${rest}")
        set(text "")
      else()
        string(SUBSTRING "${rest}" 0 ${gap} term)
        string(SUBSTRING "${rest}" ${gap} -1 text)
        string(STRIP "${text}" text)
      endif()
      math(EXPR count "${count} + 1")
      list(APPEND entries ${count})
      set(${prefix}_section_${count} "${section}" PARENT_SCOPE)
      set(${prefix}_term_${count} "${term}" PARENT_SCOPE)
      set(entry_text "${text}")
    elseif(part STREQUAL "section" AND line MATCHES "^    +([^ ].*)$")
      if(entry_text STREQUAL "")
        set(entry_text "${CMAKE_MATCH_1}")
      else()
        string(APPEND entry_text " ${CMAKE_MATCH_1}")
      endif()
    elseif(part STREQUAL "section" AND line STREQUAL "")
      set(part between)
    else()
      message(FATAL_ERROR "qlx_help_files: cannot read this line of qlx ${ARGN} --help: ${line}")
    endif()
    if(count GREATER 0)
      set(${prefix}_text_${count} "${entry_text}" PARENT_SCOPE)
    endif()
  endforeach()
  if(usage STREQUAL "")
    message(FATAL_ERROR "qlx_help_files: qlx ${ARGN} --help has no Usage: line")
  endif()
  string(STRIP "${summary}" summary)
  set(${prefix}_summary "${summary}" PARENT_SCOPE)
  set(${prefix}_usage "${usage}" PARENT_SCOPE)
  set(${prefix}_entries "${entries}" PARENT_SCOPE)
  set(${prefix}_footer "${footer}" PARENT_SCOPE)
endfunction()

# An entry's option names: "-q,--quiet" of "-q,--quiet", "--row" of
# "--row TEXT Excludes: --line --proc". <out>_value is TRUE when it takes one.
function(qlx_option_names out term)
  string(REGEX MATCH "^[^ ]+" names "${term}")
  string(REPLACE "," ";" names "${names}")
  set(${out} "${names}" PARENT_SCOPE)
  if(term MATCHES "^[^ ]+ [A-Z]+([ =]|$)")
    set(${out}_value TRUE PARENT_SCOPE)
  else()
    set(${out}_value FALSE PARENT_SCOPE)
  endif()
endfunction()

# A term for roff: its option names or positional in bold, the rest roman.
function(qlx_roff_term out term)
  qlx_roff(term "${term}")
  string(REGEX REPLACE "^([^ ]+)" "\\\\fB\\1\\\\fR" term "${term}")
  set(${out} "${term}" PARENT_SCOPE)
endfunction()

# Free text for roff: paragraphs filled, indented lines kept as they are.
function(qlx_roff_text out lines)
  set(roff "")
  set(literal FALSE)
  foreach(line IN LISTS lines)
    qlx_roff(text "${line}")
    if(line MATCHES "^ ")
      if(NOT literal)
        string(APPEND roff ".RS\n.nf\n")
        set(literal TRUE)
      endif()
      string(APPEND roff "${text}\n")
      continue()
    endif()
    if(literal)
      string(APPEND roff ".fi\n.RE\n")
      set(literal FALSE)
    endif()
    if(line STREQUAL "")
      string(APPEND roff ".PP\n")
    else()
      string(APPEND roff "${text}\n")
    endif()
  endforeach()
  if(literal)
    string(APPEND roff ".fi\n.RE\n")
  endif()
  set(${out} "${roff}" PARENT_SCOPE)
endfunction()

# Text inside a zsh single-quoted _arguments or _describe item; ']' would
# end an option's explanation.
function(qlx_zsh out text)
  qlx_restore(text "${text}")
  string(REPLACE "'" "'\\''" text "${text}")
  string(REPLACE "[" "(" text "${text}")
  string(REPLACE "]" ")" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

qlx_parse_help(top)
set(commands "")
foreach(i IN LISTS top_entries)
  if(top_section_${i} STREQUAL "Subcommands")
    list(APPEND commands "${top_term_${i}}")
    set(command_summary_${top_term_${i}} "${top_text_${i}}")
  endif()
endforeach()
if(NOT commands)
  message(FATAL_ERROR "qlx_help_files: qlx --help lists no commands")
endif()

# The man page.
string(REPLACE "\n" ";" description "${top_summary}")
qlx_roff_text(description "${description}")
set(man ".\\\" qlx(1), made from qlx --help and each command's --help when qlx was built.\n")
string(APPEND man ".TH QLX 1 \"\" \"qlx ${VERSION}\" \"User Commands\"\n")
string(APPEND man ".SH NAME\nqlx \\- procedure headers, error handlers and module tables for VBA code\n")
string(APPEND man ".SH SYNOPSIS\n")
set(first TRUE)
foreach(command IN LISTS commands)
  qlx_parse_help(c ${command})
  string(REGEX REPLACE "^qlx ${command}" "" rest "${c_usage}")
  qlx_roff(rest "${rest}")
  if(NOT first)
    string(APPEND man ".br\n")
  endif()
  set(first FALSE)
  string(APPEND man "\\fBqlx ${command}\\fR${rest}\n")
endforeach()
string(APPEND man ".SH DESCRIPTION\n${description}")
string(APPEND man ".SH OPTIONS\n")
foreach(i IN LISTS top_entries)
  if(top_section_${i} STREQUAL "Options")
    qlx_roff_term(term "${top_term_${i}}")
    qlx_roff(text "${top_text_${i}}")
    string(APPEND man ".TP\n${term}\n${text}\n")
  endif()
endforeach()
string(APPEND man ".SH COMMANDS\n")

set(bash_cases "")
set(zsh_commands "")
set(zsh_cases "")
foreach(command IN LISTS commands)
  qlx_parse_help(c ${command})
  qlx_roff(usage "${c_usage}")
  qlx_roff(summary "${c_summary}")
  string(APPEND man ".SS \"${usage}\"\n${summary}\n")
  set(options "")
  set(zsh_specs "")
  foreach(i IN LISTS c_entries)
    set(term "${c_term_${i}}")
    # Every command has these; OPTIONS above says them once.
    if(NOT term STREQUAL "-h,--help" AND NOT term STREQUAL "--help-all")
      qlx_roff_term(roff_term "${term}")
      qlx_roff(roff_text "${c_text_${i}}")
      string(APPEND man ".TP\n${roff_term}\n${roff_text}\n")
    endif()
    if(c_section_${i} STREQUAL "Options")
      qlx_option_names(names "${term}")
      qlx_zsh(zsh_text "${c_text_${i}}")
      foreach(name IN LISTS names)
        list(APPEND options ${name})
        if(names_value)
          string(APPEND zsh_specs " \\\n        '${name}[${zsh_text}]:value:_files'")
        else()
          string(APPEND zsh_specs " \\\n        '${name}[${zsh_text}]'")
        endif()
      endforeach()
    endif()
  endforeach()
  if(c_footer)
    qlx_roff_text(footer "${c_footer}")
    string(APPEND man ".PP\n${footer}")
  endif()
  list(JOIN options " " options)
  string(APPEND bash_cases "    ${command}) options=\"${options}\" ;;\n")
  qlx_zsh(zsh_summary "${command_summary_${command}}")
  string(APPEND zsh_commands "    '${command}:${zsh_summary}'\n")
  string(APPEND zsh_cases "      ${command}) _arguments${zsh_specs} \\\n        '*:file:_files' ;;\n")
endforeach()
string(APPEND man ".SH SEE ALSO\nThe README of qlx, which has the settings file (QLX.ini) and examples.\n")

list(JOIN commands " " command_words)
set(top_options "")
set(zsh_top "")
foreach(i IN LISTS top_entries)
  if(top_section_${i} STREQUAL "Options")
    qlx_option_names(names "${top_term_${i}}")
    qlx_zsh(zsh_text "${top_text_${i}}")
    foreach(name IN LISTS names)
      list(APPEND top_options ${name})
      string(APPEND zsh_top "    '(- *)${name}[${zsh_text}]' \\\n")
    endforeach()
  endif()
endforeach()
list(JOIN top_options " " top_options)

set(bash "# bash completion for qlx, made from qlx --help when qlx was built.
_qlx() {
  local cur=\${COMP_WORDS[COMP_CWORD]} command='' word options
  for word in \"\${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do
    case \$word in
      -*) ;;
      *) command=\$word; break ;;
    esac
  done
  case \$command in
    '')
      if [[ \$cur != -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '${command_words}' -- \"\$cur\")
        return
      fi
      options='${top_options}' ;;
${bash_cases}    *) return ;;
  esac
  # Not an option: files, as bash completes them by default.
  [[ \$cur == -* ]] && mapfile -t COMPREPLY < <(compgen -W \"\$options\" -- \"\$cur\")
}
complete -o default -F _qlx qlx
")

set(zsh "#compdef qlx
# zsh completion for qlx, made from qlx --help when qlx was built.
_qlx() {
  local curcontext=\$curcontext state line
  local -a commands
  commands=(
${zsh_commands}  )
  _arguments -C \\
${zsh_top}    '1:command:->command' \\
    '*::argument:->argument'
  case \$state in
    command) _describe -t commands 'qlx command' commands ;;
    argument)
      case \$words[1] in
${zsh_cases}      esac ;;
  esac
}
_qlx \"\$@\"
")

file(MAKE_DIRECTORY "${OUT}")
qlx_restore(bash "${bash}")
file(WRITE "${OUT}/qlx.1" "${man}")
file(WRITE "${OUT}/qlx" "${bash}")
file(WRITE "${OUT}/_qlx" "${zsh}")
