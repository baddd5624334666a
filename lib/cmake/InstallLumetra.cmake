# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Lumetra for other programs: the shared library, its header, a pkg-config
# file (lumetra.pc) and a CMake package (find_package(Lumetra) gives
# Lumetra::Lumetra). Included from lib/CMakeLists.txt.
include(CMakePackageConfigHelpers)
set(LUMETRA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Lumetra)

install(TARGETS Lumetra EXPORT LumetraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(FILES include/lumetra/BaseDevice.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumetra COMPONENT development)

install(EXPORT LumetraTargets NAMESPACE Lumetra::
  DESTINATION ${LUMETRA_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/LumetraConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/LumetraConfig.cmake
  INSTALL_DESTINATION ${LUMETRA_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/LumetraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LumetraConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/LumetraConfigVersion.cmake
  DESTINATION ${LUMETRA_CMAKE_DIR} COMPONENT development)

# lumetra.pc names the prefix it is installed under, which
# `cmake --install --prefix` may choose after configuring: the prefix is
# filled in when installing, everything else now.
set(pc_destination "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(pc_destination "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(LUMETRA_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(LUMETRA_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
set(LUMETRA_PC_PREFIX "@LUMETRA_PC_PREFIX@")
configure_file(cmake/lumetra.pc.in ${CMAKE_CURRENT_BINARY_DIR}/lumetra.pc.in @ONLY)
install(CODE "
  set(LUMETRA_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${CMAKE_CURRENT_BINARY_DIR}/lumetra.pc.in\" \"${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/lumetra.pc\" @ONLY)
  file(INSTALL DESTINATION \"${pc_destination}\" TYPE FILE
       FILES \"${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/lumetra.pc\")
  " COMPONENT development)
