# Writes huevane-render's manual page from the text its --help prints, so the
# manual always says what the binary it ships with says.
#   cmake -DEXE=huevane-render -DOUT=huevane-render.1.gz -DVERSION=1.2 -P HelpManual.cmake
execute_process(COMMAND ${EXE} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${EXE} --help failed (${status})")
endif()

# Shown as it is printed: roff escapes for backslashes and minus signs (a
# plain "-" may print as a hyphen, which a shell would not take for an
# option), and no line may start as a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")

if(NOT help MATCHES "\n$")
  string(APPEND help "\n")
endif()
string(REGEX REPLACE "\\.gz$" "" page ${OUT})
file(WRITE ${page}
  ".TH HUEVANE\\-RENDER 1 \"\" \"huevane\\-render ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n"
  "huevane\\-render \\- paint a two\\-colour gradient into a BMP file\n"
  ".SH DESCRIPTION\n"
  ".nf\n"
  "${help}"
  ".fi\n")
# -n: no name or time in the gzip header.
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${page} failed")
endif()
