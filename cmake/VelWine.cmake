# Runs the Windows test programs under Wine on a private Xvfb display.
#
# A fixture starts the display and a persistent wineserver for the private
# prefix in the build tree once, and stops both after the last test. Every test
# goes through scripts/wine-run.sh (the cross-compiling emulator), which gives it
# its own simulated device folder (VEL_SDK_HOME).

set(VEL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(VEL_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
set(VEL_WINE_FIXTURE ${CMAKE_SOURCE_DIR}/scripts/wine-fixture.sh)

# Can this machine run the binaries of this toolchain at all? A program of
# this toolchain is built and run under this Wine, in the build's prefix
# (made here once, as the tests' fixture would make it). A success is kept.
# VEL_WINE_TESTS=OFF leaves them out without asking (a build for packages only).
option(VEL_WINE_TESTS "Run this preset's tests under Wine where it runs this toolchain's programs" ON)
set(VEL_CAN_RUN_TESTS ${VEL_WINE_RUNS})
if(VEL_WINE_TESTS AND EXISTS ${VEL_WINE} AND NOT VEL_CAN_RUN_TESTS)
  try_compile(vel_probe_built ${CMAKE_BINARY_DIR}/wineprobe ${CMAKE_SOURCE_DIR}/cmake/wineprobe.c
              COPY_FILE ${CMAKE_BINARY_DIR}/wineprobe/wineprobe.exe)
  if(vel_probe_built)
    execute_process(COMMAND ${VEL_WINE_FIXTURE} prefix ${VEL_WINE} ${VEL_WINE_DIR}
                    OUTPUT_QUIET ERROR_QUIET TIMEOUT 300)
    execute_process(COMMAND ${VEL_WINE_RUN} ${VEL_WINE} ${VEL_WINE_DIR}
                            ${CMAKE_BINARY_DIR}/wineprobe/wineprobe.exe
                    RESULT_VARIABLE vel_wine_rc OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
    if(vel_wine_rc EQUAL 42)
      set(VEL_CAN_RUN_TESTS ON)
      set(VEL_WINE_RUNS ON CACHE INTERNAL "Whether ${VEL_WINE} ran a program of this toolchain")
    endif()
  endif()
endif()
if(NOT VEL_WINE_TESTS)
  set(VEL_CAN_RUN_TESTS OFF)
elseif(NOT VEL_CAN_RUN_TESTS)
  message(STATUS "${VEL_WINE} cannot run this toolchain's programs here: the Wine tests of this preset are left out")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE_RUN} ${VEL_WINE} ${VEL_WINE_DIR})

# Our libXinerama.so.1 (scripts/xinerama/), which a display layout's Wine loads
# instead of the system's: for x86_64 with the host's C compiler and, where
# clang and lld are, for i386, so that 32-bit Wine processes see the same heads.
# VEL_XINERAMA_PATH lists the folders for LD_LIBRARY_PATH.
function(vel_build_xinerama arch)
  set(source ${CMAKE_SOURCE_DIR}/scripts/xinerama/xinerama.c)
  set(dir ${CMAKE_BINARY_DIR}/xinerama/${arch})
  add_custom_command(OUTPUT ${dir}/libXinerama.so.1
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                     COMMAND ${ARGN} -shared -fPIC -O2 -Wall -Wextra -Werror -fvisibility=hidden
                             -Wl,-soname,libXinerama.so.1 -o ${dir}/libXinerama.so.1 ${source}
                     DEPENDS ${source} COMMENT "Building libXinerama.so.1 for ${arch} Wine" VERBATIM)
  add_custom_target(xinerama_${arch} ALL DEPENDS ${dir}/libXinerama.so.1)
endfunction()
find_program(VEL_HOST_CC NAMES cc gcc)
find_program(VEL_HOST_CLANG clang)
find_program(VEL_HOST_LLD ld.lld)
if(VEL_HOST_CC)
  vel_build_xinerama(x86_64 ${VEL_HOST_CC})
  set(VEL_XINERAMA_PATH ${CMAKE_BINARY_DIR}/xinerama/x86_64)
endif()
if(VEL_HOST_CC AND VEL_HOST_CLANG AND VEL_HOST_LLD)
  # No C library of i386 is needed: malloc and getenv are the process's.
  vel_build_xinerama(i386 ${VEL_HOST_CLANG} --target=i686-linux-gnu -nostdlib -fuse-ld=lld)
  set(VEL_XINERAMA_PATH ${VEL_XINERAMA_PATH}:${CMAKE_BINARY_DIR}/xinerama/i386)
endif()

function(vel_wine_fixture)
  if(NOT VEL_CAN_RUN_TESTS)
    return()
  endif()
  vel_wine_fixture_of("" ${VEL_WINE_DIR} "")
endfunction()

# Fixture wine<suffix>: its setup and cleanup in <dir>, with the display
# layout <displays> ("": one display), once.
function(vel_wine_fixture_of suffix dir displays)
  set(name wine${suffix})
  get_property(fixtures GLOBAL PROPERTY VEL_WINE_FIXTURES)
  if(name IN_LIST fixtures)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY VEL_WINE_FIXTURES ${name})
  add_test(NAME wine_setup${suffix} COMMAND ${VEL_WINE_FIXTURE} start ${VEL_WINE} ${dir})
  add_test(NAME wine_cleanup${suffix} COMMAND ${VEL_WINE_FIXTURE} stop ${VEL_WINE} ${dir})
  set_tests_properties(wine_setup${suffix} PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 300
    ENVIRONMENT "VEL_DISPLAYS=${displays};VEL_XINERAMA_PATH=${VEL_XINERAMA_PATH}")
  set_tests_properties(wine_cleanup${suffix} PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 120)
endfunction()

# vel_add_wine_test(NAME <name> COMMAND <target> [args...] [LOCKS <lock>...] [TIMEOUT <s>]
#                   [DISPLAYS <layout>])
# LOCKS names shared state the test touches: "desktop" (focus, visible
# windows, the mouse) or "registry" (the user's Control Panel\Mouse key).
# DISPLAYS runs the test under a display layout, WxH+X+Y[,WxH+X+Y...] (see
# scripts/wine-fixture.sh), e.g. "1024x768+800+0,800x600+0+100": on a display,
# wineserver and prefix of that layout's own in wine-displays/<layout>/ of the
# build tree, which the tests of the same layout share; their LOCKS are
# that fixture's.
function(vel_add_wine_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;DISPLAYS" "COMMAND;LOCKS" ${ARGN})
  if(NOT VEL_CAN_RUN_TESTS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(fixture wine)
  if(T_DISPLAYS)
    execute_process(COMMAND sh ${VEL_WINE_FIXTURE} bounds ${T_DISPLAYS}
                    RESULT_VARIABLE bad OUTPUT_QUIET ERROR_VARIABLE why)
    if(bad)
      message(FATAL_ERROR "vel_add_wine_test(${T_NAME}): DISPLAYS ${why}")
    endif()
    string(REGEX REPLACE "[+,]" "_" layout ${T_DISPLAYS})
    set(fixture wine_${layout})
    set(dir ${CMAKE_BINARY_DIR}/wine-displays/${layout})
    vel_wine_fixture_of(_${layout} ${dir} ${T_DISPLAYS})
    # The program runs under the layout's fixture, not the emulator's.
    list(POP_FRONT T_COMMAND program)
    if(TARGET ${program})
      set(program $<TARGET_FILE:${program}>)
    endif()
    set(T_COMMAND ${VEL_WINE_RUN} ${VEL_WINE} ${dir} ${program} ${T_COMMAND})
    list(TRANSFORM T_LOCKS APPEND @${layout})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED ${fixture} TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()
