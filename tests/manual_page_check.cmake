# cmake -DGROFF=... -DPAGE=x.1 -DPROGRAM=x -DPAGES=a,b,c -P manual_page_check.cmake
cmake_minimum_required(VERSION 3.25)
# A manual page renders without a warning, lists exactly the options that its
# program's --help offers, and refers in SEE ALSO only to the pages in PAGES.
execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${PAGE} RESULT_VARIABLE status ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR warnings)
  message(FATAL_ERROR "${PAGE} does not render cleanly:\n${warnings}")
endif()

# Options are words that begin with one or two hyphens after a space, a
# bracket or a comma; the page's font escapes and escaped hyphens go first.
function(options_in text out)
  string(REGEX REPLACE "\\\\f[BIRP]|\\\\%" "" text "${text}")
  string(REPLACE "\\-" "-" text "${text}")
  string(REGEX REPLACE "[][\t\n,(|\"]" " " text " ${text}")
  string(REGEX MATCHALL " --?[a-zA-Z0-9][a-zA-Z0-9-]*" found "${text}")
  list(TRANSFORM found STRIP)
  list(REMOVE_DUPLICATES found)
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(READ ${PAGE} page)
# The examples may use other programs' options.
string(REGEX REPLACE "\n\\.SH EXAMPLES\n.*(\n\\.SH )" "\\1" options_text "${page}")
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help ended with status ${status}")
endif()
options_in("${options_text}" documented)
options_in("${help}" offered)
if(NOT documented STREQUAL offered)
  set(missing ${offered})
  list(REMOVE_ITEM missing ${documented})
  set(stale ${documented})
  list(REMOVE_ITEM stale ${offered})
  message(FATAL_ERROR "${PAGE}: options of --help missing from the page: ${missing}; "
                      "options on the page that --help does not offer: ${stale}")
endif()

string(REGEX MATCH "\n\\.SH SEE ALSO\n.*" see_also "${page}")
string(REPLACE "\\-" "-" see_also "${see_also}")
string(REGEX MATCHALL "\n\\.BR [^ ]+ \\(" referred "${see_also}")
string(REPLACE "," ";" pages "${PAGES}")
foreach(ref IN LISTS referred)
  string(REGEX REPLACE "\n\\.BR ([^ ]+) \\(" "\\1" name "${ref}")
  if(NOT name IN_LIST pages)
    message(FATAL_ERROR "${PAGE} refers to ${name}(1), which is not one of ${PAGES}")
  endif()
endforeach()
