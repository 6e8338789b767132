# Sources are globbed, and moc's generator does not notice when a new header joins a
# target in an existing build tree: its timestamp rule only knows the files it saw before.
# A list file that changes exactly when the target's sources change makes it run again.
function(kestrivane_autogen_tracks_sources target)
  get_target_property(sources ${target} SOURCES)
  list(JOIN sources "\n" listing)
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt")
  file(CONFIGURE OUTPUT "${list_file}" CONTENT "${listing}\n")
  set_property(TARGET ${target} APPEND PROPERTY AUTOGEN_TARGET_DEPENDS "${list_file}")
endfunction()
