# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# Where the install step puts things: the GNU layout, with the library in the
# multiarch directory under every prefix. Debian's loader searches
# /usr/local/lib/<triplet> as it does /usr/lib/<triplet>; GNUInstallDirs
# would pick plain lib/ for anything but /usr.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CMAKE_INSTALL_LIBDIR)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)

# Programs installed where the loader does not look for the library find it
# relative to themselves, so an installed tree works wherever it is moved and
# without ldconfig; under /usr they carry no search path at all, as Debian
# requires.
file(RELATIVE_PATH ptzdeck_bin_to_lib "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
if(CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
  set(PTZDECK_PROGRAM_RPATH "")
else()
  set(PTZDECK_PROGRAM_RPATH "$ORIGIN/${ptzdeck_bin_to_lib}")
endif()

# Installs a program that links Lumetra into bin/.
function(ptzdeck_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${PTZDECK_PROGRAM_RPATH}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endfunction()
