# The Windows folder: everything tolvane.exe and tolvane-convert.exe need, in
# one folder that runs on a Windows machine with nothing else installed, and
# that the installer (scripts/make-windows-installer.sh) packs as it is:
#
#   cmake --install build-windows --prefix build-windows/deploy
#
# scripts/check-windows-dlls.sh proves that every DLL the folder's programs
# import is either Windows' own or in the folder.

install(TARGETS tolvane-convert RUNTIME DESTINATION .)
# The shipped settings file, read from beside the executable (a user's saved
# settings go to %APPDATA%\Tolvane).
install(FILES ${TOLVANE_INI_SOURCE} DESTINATION .)
install(FILES resources/samples/plate.nc DESTINATION samples)

if(NOT TARGET tolvane)
  return()
endif()

install(TARGETS tolvane RUNTIME DESTINATION .)
install(IMPORTED_RUNTIME_ARTIFACTS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::OpenGL Qt6::OpenGLWidgets
        RUNTIME DESTINATION .)

# Qt's plugins: the Windows platform and its native styles, found by Qt in
# the folder of the executable.
set(tolvane_qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
install(FILES ${tolvane_qt_plugins}/platforms/qwindows.dll DESTINATION platforms)
install(DIRECTORY ${tolvane_qt_plugins}/styles DESTINATION . FILES_MATCHING PATTERN "*.dll")

# Qt's own French and German texts (file dialogs, standard buttons), from
# Debian's qt6-translations-l10n: the same files on every system. qt.conf
# tells Qt where they are (ui/Language.cpp loads them from its translations
# folder).
install(FILES ${TOLVANE_QT_TRANSLATIONS}/qtbase_fr.qm ${TOLVANE_QT_TRANSLATIONS}/qtbase_de.qm
        DESTINATION translations)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/deploy-qt.conf
     "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/deploy-qt.conf DESTINATION . RENAME qt.conf)

# The C++ runtime Qt and Tolvane share, from the "posix" MinGW-w64 compiler
# that built them.
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "${dll} of ${CMAKE_CXX_COMPILER} not found")
  endif()
  install(FILES ${found} DESTINATION .)
  get_filename_component(dir ${found} DIRECTORY)
  list(APPEND TOLVANE_MINGW_RUNTIME_DIRS ${dir})
endforeach()
list(REMOVE_DUPLICATES TOLVANE_MINGW_RUNTIME_DIRS)
set(TOLVANE_MINGW_RUNTIME_DIRS ${TOLVANE_MINGW_RUNTIME_DIRS} CACHE INTERNAL "")
