include(AutogenSources)

# kestrivane_folder_library(<target> FOLDERS <folder>... [LINKS <lib>...])
# One static library from the sources of the given folders (relative to the calling
# CMakeLists.txt), linking publicly what its headers and sources use. Both the core and the
# application build their stacks from it: each library names only the ones below it.
function(kestrivane_folder_library target)
  cmake_parse_arguments(arg "" "" "FOLDERS;LINKS" ${ARGN})
  set(sources)
  foreach(folder IN LISTS arg_FOLDERS)
    file(GLOB folder_sources CONFIGURE_DEPENDS
      "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h")
    list(APPEND sources ${folder_sources})
  endforeach()
  add_library(${target} STATIC ${sources})
  kestrivane_autogen_tracks_sources(${target})
  target_link_libraries(${target} PUBLIC ${arg_LINKS})
endfunction()
