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

# Every target gets its own include folder in the build tree, holding links to exactly the
# headers it offers, under their usual spelling ("chart/draw_page.h"). A library exports that
# folder and nothing else, so a file can only include the headers of what its target links: an
# include that climbs the layers (chart/ including app/...) fails to compile instead of
# building quietly. Sub-libraries (platform/qt, job/ui) have folders of their own and never
# appear in their parent's.
set(CAELVANE_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/include)

# Links `paths` (relative to the current source folder; files or folders) into the include
# folder of `target`; the folder's path goes to `out_var`.
function(caelvane_link_headers target out_var)
  set(root ${CAELVANE_INCLUDE_ROOT}/${target})
  # Rebuilt on every configure, so a header taken out of a list is gone from the folder too.
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(path IN LISTS ARGN)
    get_filename_component(source ${path} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "${target}: ${path} is listed but does not exist")
    endif()
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
    get_filename_component(folder ${root}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${source} ${root}/${relative} SYMBOLIC)
  endforeach()
  set(${out_var} ${root} PARENT_SCOPE)
endfunction()

# A header that no library of its folder lists can be included from nowhere under its usual
# spelling; say so at configure time rather than as a puzzling "No such file" later.
function(caelvane_check_listed_headers)
  if(NOT CAELVANE_WITH_QT)
    return()  # the Qt libraries' headers are listed by targets that this build leaves out
  endif()
  get_directory_property(listed CAELVANE_LISTED_HEADERS)
  file(GLOB present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(header IN LISTS present)
    if(NOT header IN_LIST listed)
      file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
      message(WARNING "${folder}/${header} is in no HEADERS list of ${folder}/CMakeLists.txt")
    endif()
  endforeach()
endfunction()

# caelvane_add_library(name SOURCES ... [HEADERS ...] [DEPS ...] [PRIVATE_DEPS ...] [MOC]
#                      [OBJECT])
#   -> target caelvane_<name>, alias caelvane::<name>. HEADERS are what it offers its users.
# MOC turns on Qt's meta-object compiler for this target only; the pure C++ layers have none.
# OBJECT makes objects compiled once for several libraries that link it directly (each takes
# them in), instead of a static library.
function(caelvane_add_library name)
  cmake_parse_arguments(ARG "MOC;OBJECT" "" "SOURCES;HEADERS;DEPS;PRIVATE_DEPS" ${ARGN})
  set(kind STATIC)
  if(ARG_OBJECT)
    set(kind OBJECT)
  endif()
  add_library(caelvane_${name} ${kind} ${ARG_SOURCES} ${ARG_HEADERS})
  add_library(caelvane::${name} ALIAS caelvane_${name})
  caelvane_link_headers(caelvane_${name} include_dir ${ARG_HEADERS})
  get_directory_property(check_deferred CAELVANE_HEADER_CHECK_DEFERRED)
  if(NOT check_deferred)
    set_directory_properties(PROPERTIES CAELVANE_HEADER_CHECK_DEFERRED ON)
    cmake_language(DEFER CALL caelvane_check_listed_headers)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CAELVANE_LISTED_HEADERS ${ARG_HEADERS})
  target_include_directories(caelvane_${name} PUBLIC $<BUILD_INTERFACE:${include_dir}>)
  target_link_libraries(caelvane_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  set_target_properties(caelvane_${name} PROPERTIES AUTOMOC ${ARG_MOC})
  caelvane_warnings(caelvane_${name})
endfunction()

# caelvane_add_executable(name SOURCES ... [DEPS ...] [MOC]): a program that sees what it links.
function(caelvane_add_executable name)
  cmake_parse_arguments(ARG "MOC" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_MOC})
  caelvane_warnings(${name})
endfunction()

# caelvane_add_test(name SOURCES ... [DEPS ...] [GUI] [QTEST] [MOC] [TZ zone])
# One executable per subsystem. It sees what it links, plus the tests/ folder beside the
# current CMakeLists.txt (its own helpers, spelled "chart/tests/test_host.h").
# GoogleTest executables are registered test by test; Qt Test executables (QTEST) as one test.
# GUI tests run on the offscreen platform. TZ adds a second run of the whole executable under
# another time zone.
function(caelvane_add_test name)
  cmake_parse_arguments(ARG "GUI;QTEST;MOC" "TZ" "SOURCES;DEPS" ${ARGN})
  caelvane_add_executable(${name} SOURCES ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ${ARG_MOC})
  caelvane_link_headers(${name} include_dir tests)
  target_include_directories(${name} PRIVATE ${include_dir})
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
