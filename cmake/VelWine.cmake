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
set(VEL_CAN_RUN_TESTS ${VEL_WINE_RUNS})
if(EXISTS ${VEL_WINE} AND NOT VEL_CAN_RUN_TESTS)
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
if(NOT VEL_CAN_RUN_TESTS)
  message(STATUS "${VEL_WINE} cannot run this toolchain's programs here: the Wine tests of this preset are left out")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${VEL_WINE_RUN} ${VEL_WINE} ${VEL_WINE_DIR})

function(vel_wine_fixture)
  if(NOT VEL_CAN_RUN_TESTS)
    return()
  endif()
  add_test(NAME wine_setup COMMAND ${VEL_WINE_FIXTURE} start ${VEL_WINE} ${VEL_WINE_DIR})
  add_test(NAME wine_cleanup COMMAND ${VEL_WINE_FIXTURE} stop ${VEL_WINE} ${VEL_WINE_DIR})
  set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 120)
endfunction()

# vel_add_wine_test(NAME <name> COMMAND <target> [args...] [LOCKS <lock>...] [TIMEOUT <s>])
# LOCKS names shared state the test touches: "desktop" (focus, visible
# windows, the mouse) or "registry" (the user's Control Panel\Mouse key).
function(vel_add_wine_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LOCKS" ${ARGN})
  if(NOT VEL_CAN_RUN_TESTS)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()
