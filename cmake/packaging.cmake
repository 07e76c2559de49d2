# Packages made by cpack from the install rules:
#   cmake --build build --target package      build/pairtone_<version>_<arch>.deb
#   cmake --build build-win --target package  build-win/pairtone-<version>-win64.zip
set(PAIRTONE_PACKAGE_CONTACT
  "pairtone maintainers <maintainers@users.noreply.c-seed-40e5eefd.example>"
  CACHE STRING "Maintainer named in the packages")

set(CPACK_PACKAGE_NAME pairtone)
set(CPACK_PACKAGE_VENDOR "pairtone maintainers")
set(CPACK_PACKAGE_CONTACT "${PAIRTONE_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two uncompressed PCM WAVE files into one")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "pairtone reads two WAVE files holding 8- or 16-bit PCM samples, reports\n"
  "their chunks, format and playing time, and writes one file holding the\n"
  "sound of the first followed by the sound of the second. It refuses inputs\n"
  "that differ in sample rate, sample width, channel count or byte rate.\n"
  "Its messages are Japanese, written in Shift_JIS (code page 932).")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The tool links libstdc++ and libgcc in, so the C library is all it needs.
  # dpkg-shlibdeps (Debian: dpkg-dev, with file) states the least version of
  # it; without them the package depends on any libc6.
  find_program(DPKG_SHLIBDEPS_PROGRAM dpkg-shlibdeps)
  find_program(FILE_PROGRAM file)
  if(DPKG_SHLIBDEPS_PROGRAM AND FILE_PROGRAM)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS libc6)
  endif()
endif()

include(CPack)
