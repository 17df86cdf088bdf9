# Helpers shared by every folder's CMakeLists.

function(nox_warnings target)
  get_target_property(_type ${target} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# One static library per source folder. The folder's sources are globbed, so a new file
# needs no CMake change. A folder that has no sources yet is an interface library.
function(nox_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  set(_cpp ${_src})
  list(FILTER _cpp INCLUDE REGEX "\\.(cpp|c)$")
  if(_cpp)
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    nox_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest executable per test folder; every test case becomes a CTest test.
# DIR is the test folder below tests/.
function(nox_test name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  set(_dir ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
  file(GLOB _src CONFIGURE_DEPENDS ${_dir}/*.cpp ${_dir}/*.h)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE nox_test_support ${ARG_DEPS})
  target_compile_definitions(${name} PRIVATE NOX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  nox_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
