# Run by `cmake --install`: the desktop entry with the installed program's
# full path (the prefix is known only now), then the desktop's databases of
# file types and entries brought up to date, for the user's own prefix
# (~/.local) as for the system's. A staged install (DESTDIR) leaves the
# databases to the package manager.
#   VELMO_DESKTOP_DIR  this folder
#   VELMO_BINDIR       the program's folder below the prefix ("bin")
set(_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(_apps "${_root}/share/applications")
file(READ "${VELMO_DESKTOP_DIR}/velmo.desktop.in" _entry)
string(REPLACE "@VELMO_EXEC@" "${CMAKE_INSTALL_PREFIX}/${VELMO_BINDIR}/velmo" _entry "${_entry}")
file(MAKE_DIRECTORY "${_apps}")
message(STATUS "Installing: ${_apps}/velmo.desktop")
file(WRITE "${_apps}/velmo.desktop" "${_entry}")

if("$ENV{DESTDIR}" STREQUAL "")
  find_program(_update_mime update-mime-database)
  if(_update_mime)
    execute_process(COMMAND "${_update_mime}" "${_root}/share/mime" RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(WARNING "update-mime-database failed: drawings are not known by their content until it runs")
    endif()
  else()
    message(WARNING "update-mime-database is missing (shared-mime-info): drawings are not known by their content")
  endif()
  find_program(_update_desktop update-desktop-database)
  if(_update_desktop)
    execute_process(COMMAND "${_update_desktop}" -q "${_apps}")
  endif()
  # Icon themes notice a new icon by their folder's time.
  if(EXISTS "${_root}/share/icons/hicolor")
    file(TOUCH_NOCREATE "${_root}/share/icons/hicolor")
  endif()
endif()
