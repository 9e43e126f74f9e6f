# Shared compile settings and small helpers for the project's targets.

add_library(quorel_warnings INTERFACE)
target_compile_options(quorel_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)

add_library(quorel_sanitizers INTERFACE)
if(QUOREL_SANITIZE_THREAD)
  target_compile_options(quorel_sanitizers INTERFACE -fsanitize=thread -g -fno-omit-frame-pointer)
  target_link_options(quorel_sanitizers INTERFACE -fsanitize=thread)
endif()
if(QUOREL_SANITIZE_ADDRESS)
  target_compile_options(quorel_sanitizers INTERFACE -fsanitize=address,undefined -g -fno-omit-frame-pointer)
  target_link_options(quorel_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# quorel_add_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A static library of one subsystem; its headers are included as "<subsystem>/File.h"
# from the src folder.
function(quorel_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} quorel_sanitizers PRIVATE ${ARG_PRIVATE_LIBS} quorel_warnings)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# quorel_add_test(<name> SOURCES ... LIBS ... [QT] [OPENGL])
# A GoogleTest binary registered with CTest. Each test runs with its own
# temporary HOME and XDG folders (see tests/support). QT gives the binary a
# QApplication; OPENGL labels its tests "opengl" so test.sh runs them under Xvfb.
function(quorel_add_test name)
  cmake_parse_arguments(ARG "QT;OPENGL" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT OR ARG_OPENGL)
    set(main quorel_test_main_qt)
  else()
    set(main quorel_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${main} GTest::gtest GTest::gmock quorel_warnings quorel_sanitizers)
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(${name} quorel_data)
  set(labels unit)
  set(environment "")
  if(ARG_OPENGL)
    set(labels opengl)
    # Mesa's llvmpipe can deadlock joining its rasteriser threads when the
    # display closes while other GL processes run; rasterise on the caller.
    set(environment "LP_NUM_THREADS=0")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES LABELS "${labels}" TIMEOUT 120 ENVIRONMENT "${environment}")
endfunction()
