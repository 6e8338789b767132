# Fails when a project include is not written from the repository root, or when a file of the
# core or the application includes a folder of a higher step of its stack, or another folder of
# its own step. The core includes nothing outside itself; the application stands on the core.
# Run as: cmake -DROOT=<source dir> -P CheckLayering.cmake

# Each stack is a list of steps, lowest first; a step names its folders, comma-separated.
# A folder includes its own files and those of lower steps only.
set(core_steps common json l10n artwork table model barcode graphics web render document print
  library catalog webimport)
# app/main.cpp sits alone on the top step.
set(app_steps "common,artwork" io editor "canvas,inspector,library,table" window shell catalog main.cpp)

# check_stack(<layer> <allowed> <step>...): appends to `faults` every include of a file under
# <layer>/ that breaks the stack; includes starting with <allowed>/ (the layer below) pass.
function(check_stack layer allowed)
  set(rank 0)
  foreach(step IN LISTS ARGN)
    string(REPLACE "," ";" step_folders "${step}")
    foreach(folder IN LISTS step_folders)
      set("rank_${folder}" ${rank})
    endforeach()
    math(EXPR rank "${rank} + 1")
  endforeach()

  set(found "")
  file(GLOB_RECURSE files RELATIVE "${ROOT}/${layer}" "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(NOT DEFINED rank_${folder})
      string(APPEND found "${layer}/${file}: folder '${folder}' has no place in the stack\n")
      continue()
    endif()
    file(STRINGS "${ROOT}/${layer}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"]+)\"" _ "${line}")
      set(path "${CMAKE_MATCH_1}")
      if(path MATCHES "^${layer}/([^/]+)")
        set(other "${CMAKE_MATCH_1}")
        if(other STREQUAL folder)
          continue()
        elseif(NOT DEFINED rank_${other} OR rank_${other} GREATER rank_${folder})
          string(APPEND found "${layer}/${file}: includes ${path}, above ${folder}\n")
        elseif(rank_${other} EQUAL rank_${folder})
          string(APPEND found "${layer}/${file}: includes ${path}, beside ${folder} on the same step\n")
        endif()
      elseif(allowed STREQUAL "" OR NOT path MATCHES "^${allowed}/")
        string(APPEND found "${layer}/${file}: includes ${path}, outside what ${layer}/ stands on\n")
      endif()
    endforeach()
  endforeach()
  set(faults "${faults}${found}" PARENT_SCOPE)
endfunction()

set(faults "")
check_stack(core "" ${core_steps})
check_stack(app core ${app_steps})

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
