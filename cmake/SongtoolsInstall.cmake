# Where the tools, their manual pages and their documents go under the install
# prefix (bin/, share/man/, share/doc/songtools/), and the one call a program's
# folder makes to be installed.
include(GNUInstallDirs)

# The pages under man/ carry the version written out, so that they read right
# where they stand too (man -l man/man1/songprep.1); the build folder holds the
# copies that are installed and checked.
set(SONGTOOLS_MAN_SOURCE ${PROJECT_SOURCE_DIR}/man)
set(SONGTOOLS_MAN_BUILD ${PROJECT_BINARY_DIR}/man)

# Copies the page man/SECTION_FOLDER/PAGE into the build folder and returns the
# path of the copy; configuring stops where the page names another version than
# the project's, as after a version change made in project() alone.
function(songtools_configure_page page out_var)
  set(source ${SONGTOOLS_MAN_SOURCE}/${page})
  file(STRINGS ${source} os_line REGEX "^\\.Os ")
  file(STRINGS ${source} versions REGEX "[0-9]+\\.[0-9]+\\.[0-9]+")
  string(REGEX MATCHALL "[0-9]+\\.[0-9]+\\.[0-9]+" versions "${versions}")
  list(REMOVE_ITEM versions ${PROJECT_VERSION})
  if(NOT os_line STREQUAL ".Os songtools ${PROJECT_VERSION}" OR versions)
    message(FATAL_ERROR "man/${page} does not carry version ${PROJECT_VERSION}, the "
      "project's: write it in its .Os line and wherever the page names the version")
  endif()
  configure_file(${source} ${SONGTOOLS_MAN_BUILD}/${page} COPYONLY)
  set(${out_var} ${SONGTOOLS_MAN_BUILD}/${page} PARENT_SCOPE)
endfunction()

# songtools_program(NAME): installs the program NAME into bin/ and its page
# man/man1/NAME.1 into share/man/man1/. Every program has a page.
# The WebAssembly build installs only the web page (web/CMakeLists.txt): its
# programs run under Node.js from the build folder, for the tests.
function(songtools_program name)
  if(NOT EXISTS ${SONGTOOLS_MAN_SOURCE}/man1/${name}.1)
    message(FATAL_ERROR "${name} has no manual page: write man/man1/${name}.1")
  endif()
  set_property(GLOBAL APPEND PROPERTY SONGTOOLS_INSTALLED_PROGRAMS ${name})
  if(EMSCRIPTEN)
    songtools_node_program(${name})
    return()
  endif()
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # A copy in BUILD/bin/ too, so that one folder on the PATH holds every
  # program of the build (the README's first command puts it there).
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/bin
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${PROJECT_BINARY_DIR}/bin/
    VERBATIM)
  songtools_configure_page(man1/${name}.1 page)
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# A program whose page is under man/man1 but whose folder never called
# songtools_program would build and yet be missing from the install and the
# package; configuring stops instead.
function(songtools_check_installed_programs)
  get_property(installed GLOBAL PROPERTY SONGTOOLS_INSTALLED_PROGRAMS)
  file(GLOB pages RELATIVE ${SONGTOOLS_MAN_SOURCE}/man1 ${SONGTOOLS_MAN_SOURCE}/man1/*.1)
  foreach(page IN LISTS pages)
    string(REGEX REPLACE "\\.1$" "" name ${page})
    if(TARGET ${name} AND NOT name IN_LIST installed)
      message(FATAL_ERROR "${name} is built but not installed: call songtools_program(${name})"
                          " in its folder's CMakeLists.txt")
    endif()
  endforeach()
endfunction()
