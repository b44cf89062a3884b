# What a host program imports from VelCalib.dll: exactly its three functions,
# undecorated. The check is cmake/PeCheck.cmake's.
# usage: cmake -DIMPORTER=<program> -DOBJDUMP=<objdump> -P check_exports.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DPE=${IMPORTER} -DOBJDUMP=${OBJDUMP}
                        -DONLY_FROM=velcalib.dll:IsCalibrate+StartCalibrate+StopCalibrate
                        -P ${CMAKE_CURRENT_LIST_DIR}/../cmake/PeCheck.cmake
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${IMPORTER} does not import exactly IsCalibrate, StartCalibrate and StopCalibrate")
endif()
