# Helpers shared by every folder's CMakeLists.

function(nox_warnings target)
  get_target_property(_type ${target} TYPE)
  if(_type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  # The warning set KDE projects build with; scripts/test (what CI runs) adds -Werror.
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align -Wformat=2
    -Wmissing-include-dirs -Wpointer-arith -Wundef -Wunused -Wvla -Wzero-as-null-pointer-constant
    -Wsuggest-override)
  # Two of the set are GCC's only (clang builds the fuzz targets).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wlogical-op -Wduplicated-cond)
  endif()
  if(NOX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 reports a false -Wrestrict inside std::string's inlined copies at -O2 and above
  # (GCC bug 105329); it is not about our code, so it is silenced in optimised builds only.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_BUILD_TYPE MATCHES "Release|RelWithDebInfo|MinSizeRel")
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# One static library per source folder. Every source and header is listed in the folder's
# CMakeLists.txt, so automoc sees each Q_OBJECT header and a plain cmake build needs no script.
# A folder that has no sources yet is an interface library.
function(nox_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  set(_cpp ${ARG_SOURCES})
  list(FILTER _cpp INCLUDE REGEX "\\.(cpp|c)$")
  if(_cpp)
    add_library(${name} STATIC ${ARG_SOURCES})
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
# SOURCES are relative to DIR, the test folder below tests/.
function(nox_test name)
  cmake_parse_arguments(ARG "" "DIR" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE nox_test_support ${ARG_DEPS})
  target_compile_definitions(${name} PRIVATE NOX_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  nox_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
