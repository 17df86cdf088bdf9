# Fails when a file includes from a layer above its own. Run as a test:
#   cmake -DROOT=<source folder> -P cmake/CheckLayers.cmake
#
# The layers, lowest first; folders on one line share a layer and may use each other:
#   platform
#   comm, resources
#   chart/engine
#   chart/series
#   chart/storage
#   chart/editors
#   app          (the main window, the panel, the data files)
#   programmer   (temperature programs; uses app)
#   channel      (the channel windows; use programmer and app)
#   main.cpp
# A test folder below tests/ has the layer of its source folder. Tests, fuzz targets and
# benchmarks share their doubles through tests/support, never by reaching into a test folder
# of another kind (by a relative path or by its path below tests/).
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayers: pass -DROOT=<source folder>")
endif()

set(_layer_platform 0)
set(_layer_comm 1)
set(_layer_resources 1)
set(_layer_chart/engine 2)
set(_layer_chart/series 3)
set(_layer_chart/storage 4)
set(_layer_chart/editors 5)
set(_layer_app 6)
set(_layer_programmer 7)
set(_layer_channel 8)
set(_top 9)

# The folder of a path below src/ (or below tests/): "chart/<part>" or the first part.
function(_folder_of path out)
  if(path MATCHES "^chart/([^/]+)/")
    set(${out} "chart/${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE _files RELATIVE "${ROOT}" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp" "${ROOT}/tests/*.h"
     "${ROOT}/tests/*.cpp" "${ROOT}/fuzz/*.h" "${ROOT}/fuzz/*.cpp" "${ROOT}/bench/*.h" "${ROOT}/bench/*.cpp")
set(_errors "")
set(_checked 0)
foreach(_file IN LISTS _files)
  if(_file MATCHES "^(src|tests|fuzz|bench)/(.*)$")
    set(_tree "${CMAKE_MATCH_1}")
    set(_rest "${CMAKE_MATCH_2}")
  endif()
  _folder_of("${_rest}" _own)
  if(_tree STREQUAL "fuzz" OR _tree STREQUAL "bench")
    set(_own "")  # above every layer, and no test folder of its own
  endif()
  if(_tree STREQUAL "src" AND _own STREQUAL "")
    set(_own_layer ${_top})  # main.cpp
  elseif(DEFINED _layer_${_own})
    set(_own_layer ${_layer_${_own}})
  else()
    set(_own_layer ${_top})  # tests/support and other shared test code
  endif()

  file(STRINGS "${ROOT}/${_file}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_line IN LISTS _includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" _target "${_line}")
    math(EXPR _checked "${_checked} + 1")
    if(NOT _tree STREQUAL "src" AND _target MATCHES "^\\.\\./")
      string(APPEND _errors "  ${_file}: \"${_target}\" reaches into another folder; "
             "shared test code belongs in tests/support\n")
      continue()
    endif()
    _folder_of("${_target}" _used)
    if(NOT _tree STREQUAL "src" AND EXISTS "${ROOT}/tests/${_target}" AND NOT EXISTS "${ROOT}/src/${_target}"
       AND NOT _target MATCHES "^support/" AND NOT _used STREQUAL _own)
      string(APPEND _errors "  ${_file}: \"${_target}\" reaches into another test folder; "
             "shared test code belongs in tests/support\n")
      continue()
    endif()
    if(NOT DEFINED _layer_${_used})
      continue()  # a header beside the file, Qt, tests/support, ...
    endif()
    if(_layer_${_used} GREATER _own_layer)
      string(APPEND _errors "  ${_file}: \"${_target}\" is in ${_used}, a layer above ${_own}\n")
    endif()
  endforeach()
endforeach()

if(_errors)
  message(FATAL_ERROR "Includes that go against the layers:\n${_errors}")
endif()
message(STATUS "CheckLayers: ${_checked} includes follow the layers")
