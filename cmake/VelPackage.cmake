# What ships, and the packages made of it (cpack, or `./package.sh`).
#
# Two components: the tool set itself, and the simulated touch screen behind
# our SDK.dll. Per architecture:
#   VelTouch-<version>-<arch>.zip             the tool set only: a customer puts the
#                                              vendor's SDK.dll beside it
#   VelTouch-<version>-<arch>-demo-setup.exe  an installer of the tool set with the
#                                              simulated screen (a component that can be
#                                              left out), Start-menu entry, uninstaller
# Release binaries are linked stripped (see CMakeLists.txt).

install(TARGETS VelApp VelCalib RUNTIME DESTINATION . COMPONENT product)
if(TARGET velctl)
  install(TARGETS velctl RUNTIME DESTINATION . COMPONENT product)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
              ${CMAKE_SOURCE_DIR}/CHANGELOG.md
        DESTINATION . COMPONENT product)
install(TARGETS SDK RUNTIME DESTINATION . COMPONENT simulator)

# The installer is a program of its tools' architecture: the x64 one runs
# where Windows has no 32-bit subsystem, and writes the 64-bit registry view
# and Program Files without WOW64's redirection.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VEL_PACKAGE_ARCH win64)
  set(VEL_MSI_ARCH x64)
  set(VEL_NSIS_TARGET amd64-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(VEL_PACKAGE_ARCH win32)
  set(VEL_MSI_ARCH x86)
  set(VEL_NSIS_TARGET x86-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

set(CPACK_PACKAGE_NAME VelTouch)
set(CPACK_PACKAGE_VENDOR "Vel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Touch screen control panel and calibration")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY VelTouch)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY VelTouch)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_EXECUTABLES VelApp "Touch Control Panel")
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_COMPONENTS_ALL product simulator)
set(CPACK_NSIS_DISPLAY_NAME "VelTouch ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "VelTouch ${PROJECT_VERSION}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/velapp/win/res/velapp.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/velapp/win/res/velapp.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME VelApp.exe)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
# makensis through scripts/makensis.sh: the installer's target, and signing
# with package.sh --sign.
set(CPACK_NSIS_EXECUTABLE ${CMAKE_SOURCE_DIR}/scripts/makensis.sh)
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS -DVEL_NSIS_TARGET=${VEL_NSIS_TARGET})
# The Start-menu entry's program is in the install folder itself.
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# Signing and the commit's time for the staged files.
set(CPACK_VEL_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/VelPackageStage.cmake)
# Per generator: what goes in and the file's name.
set(VEL_PACKAGE_BASE "VelTouch-${PROJECT_VERSION}-${VEL_PACKAGE_ARCH}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/VelCPackOptions.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(CPACK_GENERATOR STREQUAL \"ZIP\")
  set(CPACK_COMPONENTS_ALL product)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_FILE_NAME \"${VEL_PACKAGE_BASE}\")
else()
  set(CPACK_PACKAGE_FILE_NAME \"${VEL_PACKAGE_BASE}-demo-setup\")
endif()
")

include(CPack)
cpack_add_component(product DISPLAY_NAME "Touch tools" REQUIRED
  DESCRIPTION "The control panel VelApp.exe and the calibration library VelCalib.dll")
cpack_add_component(simulator DISPLAY_NAME "Simulated touch screen"
  DESCRIPTION "SDK.dll that simulates a touch screen, to try the tools without one. Leave it out when the touch screen's own SDK.dll is installed.")

# The Windows Installer package, per architecture, beside the others:
#   VelTouch-<version>-<arch>.msi  per-machine, the tools and the simulated
#                                  screen as features (SIMULATEDSCREEN=0 leaves
#                                  the screen out), PROFILE=<file> imports a
#                                  velctl profile (packaging/VelTouch.wxs)
# `cmake --build --preset <preset> --target msi`; ./package.sh makes it too.
find_program(VEL_WIXL wixl)
find_program(VEL_MSIBUILD msibuild)
if(VEL_WIXL AND VEL_MSIBUILD AND TARGET velctl)
  set(VEL_MSI ${CMAKE_BINARY_DIR}/packages/${VEL_PACKAGE_BASE}.msi)
  add_custom_target(msi
    COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/make-msi.sh ${VEL_MSI_ARCH} ${PROJECT_VERSION}
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${VEL_MSI}
    DEPENDS VelApp VelCalib velctl SDK ${CMAKE_SOURCE_DIR}/packaging/VelTouch.wxs
    COMMENT "Windows Installer package ${VEL_MSI}" VERBATIM)
endif()
