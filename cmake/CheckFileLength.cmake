# Fails when a source file under core/ or app/ runs past 700 lines, unless
# cmake/long-files.txt names it with the reason it stays whole ("<path>: <reason>").
# A file that long usually holds more than one job; cut it where the jobs part.
# Run as: cmake -DROOT=<source dir> -P CheckFileLength.cmake
cmake_minimum_required(VERSION 3.25)
set(limit 700)

set(allowed "")
if(EXISTS "${ROOT}/cmake/long-files.txt")
  file(STRINGS "${ROOT}/cmake/long-files.txt" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^#: \t][^:]*):[ \t]*[^ \t]")
      list(APPEND allowed "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()

set(faults "")
file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/core/*.h" "${ROOT}/core/*.cpp" "${ROOT}/app/*.h"
  "${ROOT}/app/*.cpp")
foreach(file IN LISTS files)
  file(READ "${ROOT}/${file}" text)
  string(REGEX MATCHALL "\n" newlines "${text}")
  list(LENGTH newlines count)
  if(count GREATER limit AND NOT file IN_LIST allowed)
    string(APPEND faults "${file}: ${count} lines, over ${limit}\n")
  endif()
endforeach()

if(faults)
  message(FATAL_ERROR "Files too long to read in one sitting (cut them at their seams, or give the "
    "reason in cmake/long-files.txt):\n${faults}")
endif()
