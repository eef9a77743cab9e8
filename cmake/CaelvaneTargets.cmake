# Warnings for our own targets only (never for Qt's generated code or third-party headers).
function(caelvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports impossible overlaps in inlined std::string copies at -O2 (a known false
  # positive of -Wrestrict); it is not a finding about our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# caelvane_add_library(name SOURCES ... [DEPS ...])  -> target caelvane_<name>, alias caelvane::<name>
function(caelvane_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(caelvane_${name} STATIC ${ARG_SOURCES})
  add_library(caelvane::${name} ALIAS caelvane_${name})
  target_include_directories(caelvane_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(caelvane_${name} PUBLIC ${ARG_DEPS})
  caelvane_warnings(caelvane_${name})
endfunction()

# caelvane_add_test(name SOURCES ... [DEPS ...] [GUI] [QTEST] [TZ zone])
# One executable per subsystem. GoogleTest executables are registered test by test;
# Qt Test executables (QTEST) as one test. GUI tests run on the offscreen platform.
# TZ adds a second run of the whole executable under another time zone.
function(caelvane_add_test name)
  cmake_parse_arguments(ARG "GUI;QTEST" "TZ" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  caelvane_warnings(${name})
  set(env "")
  if(ARG_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(ARG_QTEST)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "gui" ENVIRONMENT "${env}")
  else()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
    include(GoogleTest)
    if(ARG_GUI)
      set(labels gui)
    else()
      set(labels unit)
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}"
                         DISCOVERY_TIMEOUT 60)
  endif()
  if(ARG_TZ)
    add_test(NAME ${name}_tz COMMAND ${name})
    set_tests_properties(${name}_tz PROPERTIES LABELS "unit" ENVIRONMENT "TZ=${ARG_TZ};${env}")
  endif()
endfunction()
