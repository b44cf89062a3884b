# CPack runs this over the staged files of a package, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS, see VelPackage.cmake):
# - with VEL_SIGN_CERT in the environment (package.sh --sign), every program
#   and library is signed (scripts/sign.sh);
# - with SOURCE_DATE_EPOCH in the environment (package.sh sets it to the
#   commit's time), every file and folder takes that time, so that the ZIP and
#   the installer list the same times in every build of one commit.
file(GLOB_RECURSE vel_binaries LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*.exe"
     "${CPACK_TEMPORARY_DIRECTORY}/*.dll")
if(DEFINED ENV{VEL_SIGN_CERT} AND vel_binaries)
  execute_process(COMMAND sh "${CPACK_VEL_SOURCE_DIR}/scripts/sign.sh" ${vel_binaries}
                  RESULT_VARIABLE vel_failed)
  if(vel_failed)
    message(FATAL_ERROR "Signing the staged programs and libraries failed")
  endif()
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  file(GLOB_RECURSE vel_staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
  execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" "${CPACK_TEMPORARY_DIRECTORY}"
                          ${vel_staged}
                  RESULT_VARIABLE vel_failed)
  if(vel_failed)
    message(FATAL_ERROR "Setting the staged files' times to SOURCE_DATE_EPOCH failed")
  endif()
endif()
