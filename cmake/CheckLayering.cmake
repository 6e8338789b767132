# Fails when a project include is not written from the repository root, when a core folder includes a folder above it in the stack, or anything of app/,
# and when app/io includes app/editor (the editor store calls io, never the reverse).
# Run as: cmake -DROOT=<source dir> -P CheckLayering.cmake
# The stack, lowest first. A folder may include its own and lower folders only.
set(stack common json l10n artwork table model barcode graphics web render document print
  library catalog webimport)

file(GLOB_RECURSE files RELATIVE "${ROOT}/core" "${ROOT}/core/*.h" "${ROOT}/core/*.cpp")
set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  list(FIND stack "${folder}" rank)
  if(rank EQUAL -1)
    string(APPEND faults "core/${file}: folder '${folder}' has no place in the stack\n")
    continue()
  endif()
  file(STRINGS "${ROOT}/core/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
    set(path "${CMAKE_MATCH_1}")
    if(path MATCHES "^core/([^/]+)/")
      list(FIND stack "${CMAKE_MATCH_1}" included)
      if(included EQUAL -1 OR included GREATER rank)
        string(APPEND faults "core/${file}: includes ${path}, above ${folder}\n")
      endif()
    else()
      string(APPEND faults "core/${file}: includes ${path}, outside the core\n")
    endif()
  endforeach()
endforeach()

file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/app/io/*.h" "${ROOT}/app/io/*.cpp")
foreach(file IN LISTS files)
  file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"app/editor/")
  foreach(line IN LISTS includes)
    string(APPEND faults "${file}: ${line}, the editor is above io\n")
  endforeach()
endforeach()

# Every project include names its library from the repository root.
file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/core/*.h" "${ROOT}/core/*.cpp" "${ROOT}/app/*.h"
  "${ROOT}/app/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/tests/*.cpp" "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp"
  "${ROOT}/fuzz/*.cpp" "${ROOT}/tools/*.h" "${ROOT}/tools/*.cpp")
foreach(file IN LISTS files)
  file(STRINGS "${ROOT}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "\"(core|app|tests|bench|fuzz|tools)/" AND NOT line MATCHES "moc_|\\.moc\"|_autogen")
      string(APPEND faults "${file}: ${line} is not written from the repository root\n")
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layering broken:\n${faults}")
endif()
