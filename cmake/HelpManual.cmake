# Writes huevane-render's manual page from the text its --help prints, so the
# manual always says what the binary it ships with says.
#   cmake -DEXE=huevane-render -DOUT=huevane-render.1.gz -DVERSION=1.2 -P HelpManual.cmake
#
# The help is read in its parts (tools/render_args.cpp, UsageText): the usage
# lines, the description, then "Options:", "Exit status:" and "Examples:",
# whose entries are indented by two spaces and continued by deeper lines (an
# option's optional value joined to it in brackets, "--set[=TARGET]"); an
# example's command lines are indented by four. The page's date is the day
# of SOURCE_DATE_EPOCH (string(TIMESTAMP) reads it), today without it.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/TextLines.cmake)

execute_process(COMMAND ${EXE} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${EXE} --help failed (${status})")
endif()

# Shown as it is printed: roff escapes for backslashes and minus signs (a
# plain "-" may print as a hyphen, which a shell would not take for an
# option), and no line may start as a request.
function(roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(synopsis "")
set(description "")
set(options "")
set(statuses "")
set(examples "")
set(part usage)
set(new_paragraph FALSE)
set(in_command FALSE)
while(NOT help STREQUAL "")
  huevane_pop_line(help line)

  if(line STREQUAL "Options:")
    set(part options)
  elseif(line STREQUAL "Exit status:")
    set(part statuses)
  elseif(line STREQUAL "Examples:")
    set(part examples)
  elseif(line STREQUAL "")
    set(new_paragraph TRUE)
  elseif(part STREQUAL "usage")
    if(line MATCHES "^Usage: (.*)$")
      roff("${CMAKE_MATCH_1}" text)
      string(APPEND synopsis "${text}\n")
    elseif(description STREQUAL "" AND line MATCHES "^       (.*)$")
      # A usage line's continuation, aligned under the first one.
      roff("${CMAKE_MATCH_1}" text)
      string(APPEND synopsis "${text}\n")
    else()
      if(new_paragraph AND NOT description STREQUAL "")
        string(APPEND description ".PP\n")
      endif()
      set(new_paragraph FALSE)
      roff("${line}" text)
      string(APPEND description "${text}\n")
    endif()
  elseif(part STREQUAL "options")
    if(line MATCHES "^  (--[a-z]+)( [^ ]+|\\[=[A-Z]+\\])?  +(.*)$")
      roff("${CMAKE_MATCH_1}" name)
      roff("${CMAKE_MATCH_3}" text)
      set(value "${CMAKE_MATCH_2}")
      if(value STREQUAL "")
        string(APPEND options ".TP\n.B ${name}\n${text}\n")
      elseif(value MATCHES "^\\[=([A-Z]+)\\]$")
        # An optional value, joined to the name.
        string(APPEND options ".TP\n.BR ${name} [= \"\\fI${CMAKE_MATCH_1}\\fR\" ]\n${text}\n")
      else()
        string(STRIP "${value}" value)
        roff("${value}" value)
        string(APPEND options ".TP\n.BI \"${name} \" ${value}\n${text}\n")
      endif()
    else()
      string(STRIP "${line}" text)
      roff("${text}" text)
      string(APPEND options "${text}\n")
    endif()
  elseif(part STREQUAL "statuses")
    if(line MATCHES "^  ([0-9]+)  +(.*)$")
      roff("${CMAKE_MATCH_2}" text)
      string(APPEND statuses ".TP\n.B ${CMAKE_MATCH_1}\n${text}\n")
    else()
      string(STRIP "${line}" text)
      roff("${text}" text)
      string(APPEND statuses "${text}\n")
    endif()
  elseif(part STREQUAL "examples")
    if(line MATCHES "^    (.*)$")
      roff("${CMAKE_MATCH_1}" text)
      if(NOT in_command)
        string(APPEND examples ".PP\n.RS 4\n.nf\n")
        set(in_command TRUE)
      endif()
      string(APPEND examples "${text}\n")
    else()
      if(in_command)
        string(APPEND examples ".fi\n.RE\n.PP\n")
        set(in_command FALSE)
      endif()
      string(STRIP "${line}" text)
      roff("${text}" text)
      string(APPEND examples "${text}\n")
    endif()
  endif()
endwhile()
if(in_command)
  string(APPEND examples ".fi\n.RE\n")
endif()

foreach(part synopsis description options statuses examples)
  if("${${part}}" STREQUAL "")
    message(FATAL_ERROR "${EXE} --help has no ${part}: cmake/HelpManual.cmake cannot read it")
  endif()
endforeach()

string(TIMESTAMP date "%Y-%m-%d" UTC)
string(REGEX REPLACE "\\.gz$" "" page ${OUT})
file(WRITE ${page}
  ".TH HUEVANE\\-RENDER 1 ${date} \"huevane\\-render ${VERSION}\" \"User Commands\"\n"
  # No hyphenation: an option's name or value is never broken.
  ".nh\n"
  ".SH NAME\n"
  "huevane\\-render \\- paint a two\\-colour gradient into a BMP file\n"
  ".SH SYNOPSIS\n"
  ".nf\n"
  "${synopsis}"
  ".fi\n"
  ".SH DESCRIPTION\n"
  "${description}"
  ".SH OPTIONS\n"
  "${options}"
  ".SH EXIT STATUS\n"
  "${statuses}"
  ".SH EXAMPLES\n"
  "${examples}")
# -n: no name or time in the gzip header.
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${page} failed")
endif()
