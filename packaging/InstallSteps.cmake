# The files of the installation that are made as they are installed, not
# copied (included by the build's cmake_install.cmake; see Package.cmake).
# Each step works in a temporary folder of its own: installations from one
# build may run at once, as the tests run them. file(INSTALL) adds DESTDIR.

function(nemara_temp_folder var)
  execute_process(COMMAND mktemp -d OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  set(${var} "${dir}" PARENT_SCOPE)
endfunction()

# The program's icon in the hicolor theme, drawn by nemara-icon at each size.
function(nemara_install_icons nemara_icon)
  nemara_temp_folder(work)
  # Qt wants a runtime folder of the user's own, even to draw offscreen.
  set(runtime "$ENV{XDG_RUNTIME_DIR}")
  if(NOT runtime)
    set(ENV{XDG_RUNTIME_DIR} "${work}")
  endif()
  execute_process(COMMAND "${nemara_icon}" "${work}" ${ARGN} COMMAND_ERROR_IS_FATAL ANY)
  set(ENV{XDG_RUNTIME_DIR} "${runtime}")
  foreach(size IN LISTS ARGN)
    file(INSTALL "${work}/${size}x${size}.png" RENAME nemara.png
         DESTINATION "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/${size}x${size}/apps"
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  file(REMOVE_RECURSE "${work}")
endfunction()

# A manual page or the changelog as Debian keeps them: gzip -9n, without a
# name or a time stamp, so that the same source gives the same file.
function(nemara_install_gzipped source destination)
  nemara_temp_folder(work)
  get_filename_component(name "${source}" NAME)
  execute_process(COMMAND gzip -9nc "${source}" OUTPUT_FILE "${work}/${name}.gz" COMMAND_ERROR_IS_FATAL ANY)
  file(INSTALL "${work}/${name}.gz" DESTINATION "${CMAKE_INSTALL_PREFIX}/${destination}"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(REMOVE_RECURSE "${work}")
endfunction()
