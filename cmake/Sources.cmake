# Source lists are globbed per folder so that adding a file is all it takes;
# CONFIGURE_DEPENDS re-runs the glob on every build.
function(tolvane_glob out)
  set(files)
  foreach(pattern IN LISTS ARGN)
    file(GLOB matched CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND files ${matched})
  endforeach()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()
