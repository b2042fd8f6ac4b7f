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

# Files named *_posix.cpp build everywhere but on Windows, *_windows.cpp only
# on Windows: the one place where the system decides what is compiled.
function(tolvane_for_this_system var)
  set(files ${${var}})
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER files EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  set(${var} ${files} PARENT_SCOPE)
endfunction()
