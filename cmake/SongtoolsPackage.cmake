# The documents and examples that go with the programs, and the two packages
# made from the install: cpack -G DEB and cpack -G TGZ in the build folder.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The pages the README links to, in their folder, so that its links hold.
file(GLOB doc_pages ${PROJECT_SOURCE_DIR}/doc/*.md)
install(FILES ${doc_pages} DESTINATION ${CMAKE_INSTALL_DOCDIR}/doc)
# doc/example.md shows the example's picture; the pages point at both example folders.
install(FILES
          ${PROJECT_SOURCE_DIR}/examples/demo/demo.mid
          ${PROJECT_SOURCE_DIR}/examples/demo/demo-0.raw
          ${PROJECT_SOURCE_DIR}/examples/demo/demo-1.raw
          ${PROJECT_SOURCE_DIR}/examples/demo/demo.env
          ${PROJECT_SOURCE_DIR}/examples/demo/demo.svg
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/demo)
# The README's walk-through runs on it.
install(FILES ${PROJECT_SOURCE_DIR}/examples/band/band.mid
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/band)
install(FILES
          ${PROJECT_SOURCE_DIR}/examples/avr/Makefile
          ${PROJECT_SOURCE_DIR}/examples/avr/README.md
          ${PROJECT_SOURCE_DIR}/examples/avr/readback.c
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/avr)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_NAME songtools)
set(CPACK_PACKAGE_VENDOR "songtools")
set(CPACK_PACKAGE_CONTACT "songtools maintainers <maintainers@users.noreply.c-seed-9a1f5b18.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "song converter and tools for a four-voice AVR wavetable synthesizer")
set(CPACK_PACKAGE_DESCRIPTION
    "Tools that prepare music for a small four-voice wavetable synthesizer on an
AVR microcontroller: songmake turns a Standard MIDI File, an optional envelope
file and two raw wave tables into a compact song file; songasm turns a song
file into AVR GNU assembler source for the firmware; songdump lists a song
file record by record and draws it as an SVG piano roll; songcheck tells what
a MIDI file loses on its way to the synthesizer, and where; songprep rewrites
any MIDI file into one that songmake converts without loss; songplay renders a
song file to a WAV file to hear it before flashing it.

An example song and a read-back firmware for the AVR are installed in
/usr/share/doc/songtools/examples.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# songtools_1.0.0_amd64.deb, its dependencies worked out by dpkg-shlibdeps.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# songasm's output is built with the AVR toolchain.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gcc-avr, binutils-avr, avr-libc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What Debian asks of the package beyond the install (compressed manual pages,
# the copyright file, a Debian changelog): cmake/SongtoolsPackageDebian.cmake.
set(CPACK_SONGTOOLS_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/SongtoolsPackageDebian.cmake)

include(CPack)
