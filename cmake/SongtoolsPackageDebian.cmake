# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on what it installed for a package,
# before it packs it. For the Debian package only, it makes the install what
# Debian's rules ask of a package (and lintian checks):
# - the manual pages compressed with gzip -9n;
# - /usr/share/doc/songtools/copyright: the licence in Debian's machine-readable
#   format, made from LICENSE (installed beside it as in every install);
# - /usr/share/doc/songtools/changelog.gz: a changelog in Debian's format for
#   the version (CHANGELOG.md, installed beside it, says what the version holds).
# The plain archive is left as `cmake --install` makes it.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
if(NOT IS_DIRECTORY ${root}${CPACK_PACKAGING_INSTALL_PREFIX}/share)
  message(FATAL_ERROR "SongtoolsPackageDebian: no share/ under ${root}${CPACK_PACKAGING_INSTALL_PREFIX}")
endif()
set(prefix ${root}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${prefix}/share/doc/${CPACK_PACKAGE_NAME})

find_program(GZIP_PROGRAM gzip REQUIRED)
function(gzip_n file)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "SongtoolsPackageDebian: gzip ${file} failed")
  endif()
endfunction()

file(GLOB pages ${prefix}/share/man/man*/*)
foreach(page IN LISTS pages)
  if(NOT page MATCHES "\\.gz$")
    gzip_n(${page})
  endif()
endforeach()

# LICENSE: a title, an empty line, the copyright line, an empty line, the terms.
file(READ ${CPACK_SONGTOOLS_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "^[^\n]+\n\nCopyright \\(c\\) ([^\n]+)\n\n")
  message(FATAL_ERROR "SongtoolsPackageDebian: LICENSE does not start with a title and a copyright line")
endif()
set(holder ${CMAKE_MATCH_1})
string(LENGTH "${CMAKE_MATCH_0}" start)
string(SUBSTRING "${licence}" ${start} -1 terms)
string(STRIP "${terms}" terms)
# In the copyright file each line of the terms is indented, an empty one is " .".
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
set(copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")
file(WRITE ${doc}/copyright "${copyright}")

# The release's date, from CHANGELOG.md's heading for the version.
file(STRINGS ${CPACK_SONGTOOLS_SOURCE_DIR}/CHANGELOG.md heading
     REGEX "^## \\[${CPACK_PACKAGE_VERSION}\\] - [0-9]+-[0-9]+-[0-9]+$")
if(NOT heading)
  message(FATAL_ERROR "SongtoolsPackageDebian: CHANGELOG.md has no heading "
                      "\"## [${CPACK_PACKAGE_VERSION}] - YYYY-MM-DD\"")
endif()
string(REGEX REPLACE "^.* - " "" day "${heading}")
find_program(DATE_PROGRAM date REQUIRED)
execute_process(COMMAND ${DATE_PROGRAM} -u -R -d "${day} 12:00:00"
  OUTPUT_VARIABLE released OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "SongtoolsPackageDebian: date cannot read ${day}")
endif()
file(WRITE ${doc}/changelog
"${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}: CHANGELOG.md in this folder says what it holds.

 -- ${CPACK_PACKAGE_CONTACT}  ${released}
")
gzip_n(${doc}/changelog)
