# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Installs the camera-access component into a staging directory and checks
# the udev rule that lands there.
file(REMOVE_RECURSE "${STAGE}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${STAGE}" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --component camera-access
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed: ${output}")
endif()

file(GLOB_RECURSE installed "${STAGE}/*70-ptzdeck-cameras.rules")
list(LENGTH installed count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "the rule was not installed exactly once under ${STAGE}: ${installed}")
endif()
if(NOT installed MATCHES "udev/rules.d/70-ptzdeck-cameras.rules$")
  message(FATAL_ERROR "installed outside a udev rules directory: ${installed}")
endif()

# Every line: a comment, empty, or comma-separated KEY[{attr}]op"value" terms.
file(STRINGS "${installed}" lines)
set(term "[A-Z_]+({[A-Za-z_]+})?(==|!=|\\+=|=)\"[^\"]*\"")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^${term}(, ${term})*$")
    message(FATAL_ERROR "malformed udev line: ${line}")
  endif()
endforeach()

file(READ "${installed}" rule)
foreach(required
    "ATTR{idProduct}==\"8888\""
    "ATTR{idProduct}==\"7588\""
    "ATTR{idVendor}==\"0000\", ATTR{idProduct}==\"00f9\""
    "TAG+=\"uaccess\""
    "ENV{DEVTYPE}!=\"usb_device\"")
  string(FIND "${rule}" "${required}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the rule lacks ${required}")
  endif()
endforeach()
