# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

cmake_minimum_required(VERSION 3.21)
# Fails unless the shared library's dynamic symbol table holds exactly the
# public surface. Run with -DLIBRARY=<path to libLumetra.so>.
execute_process(COMMAND nm -DC --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(found "")
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
  if(NOT name MATCHES "^(BaseDevice::|DeviceInfo::|typeinfo for BaseDevice$|typeinfo name for BaseDevice$|vtable for BaseDevice$)")
    message(SEND_ERROR "exported but not public: ${name}")
  endif()
  list(APPEND found "${name}")
endforeach()
foreach(required
    "BaseDevice::CreateDevice(DeviceType)"
    "BaseDevice::DeleteDevice(BaseDevice*)"
    "BaseDevice::EnumUSBDevices(std::vector<DeviceInfo, std::allocator<DeviceInfo> >&)"
    "BaseDevice::Initial()"
    "BaseDevice::Release()"
    "BaseDevice::LastRequestFault() const"
    "BaseDevice::BaseDevice(BaseDevice const&)"
    "BaseDevice::BaseDevice(BaseDevice&&)"
    "BaseDevice::operator=(BaseDevice const&)"
    "BaseDevice::operator=(BaseDevice&&)"
    "DeviceInfo::DeviceInfo(DeviceInfo const&)"
    "DeviceInfo::~DeviceInfo()")
  if(NOT required IN_LIST found)
    message(SEND_ERROR "not exported: ${required}")
  endif()
endforeach()
