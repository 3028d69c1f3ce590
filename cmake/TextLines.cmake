# Text helpers for the release's texts (cmake/Packaging.cmake) and the
# manual page (cmake/HelpManual.cmake). Lines are walked with string(FIND),
# not as a CMake list, which would split them at semicolons and brackets.

# huevane_pop_line(TEXT LINE): the first line of the variable TEXT into
# LINE, without its newline, and TEXT loses it.
macro(huevane_pop_line text line)
  string(FIND "${${text}}" "\n" huevane_end)
  if(huevane_end EQUAL -1)
    set(${line} "${${text}}")
    set(${text} "")
  else()
    string(SUBSTRING "${${text}}" 0 ${huevane_end} ${line})
    math(EXPR huevane_end "${huevane_end} + 1")
    string(SUBSTRING "${${text}}" ${huevane_end} -1 ${text})
  endif()
endmacro()

# huevane_wrap_text(TEXT WIDTH OUT): TEXT with every line longer than WIDTH
# broken at its last spaces into lines of at most WIDTH characters (a word
# longer than that stands alone).
function(huevane_wrap_text text width out)
  set(wrapped "")
  while(NOT text STREQUAL "")
    huevane_pop_line(text line)
    string(LENGTH "${line}" length)
    while(length GREATER width)
      math(EXPR probe "${width} + 1")
      string(SUBSTRING "${line}" 0 ${probe} head)
      string(FIND "${head}" " " space REVERSE)
      if(space LESS 1)
        string(FIND "${line}" " " space)
        if(space EQUAL -1)
          break()
        endif()
      endif()
      string(SUBSTRING "${line}" 0 ${space} head)
      string(APPEND wrapped "${head}\n")
      math(EXPR rest "${space} + 1")
      string(SUBSTRING "${line}" ${rest} -1 line)
      string(LENGTH "${line}" length)
    endwhile()
    string(APPEND wrapped "${line}\n")
  endwhile()
  set(${out} "${wrapped}" PARENT_SCOPE)
endfunction()
