# The help compiled twice, in two folders of different names and depths,
# gives the same bytes, and the same as the build's own help file.
#   cmake -DSOURCE_DIR=.. -DWORK_DIR=.. -DBUILT=<levelbook11.chm> -DCHMCMD=.. -DSETTLE=..
#         [-DPROOT=..] [-DUNSHARE=..] -P ...
# Where the help compiler can run in no root of its own, the file names its
# build folder and the test is skipped.
set(_a ${WORK_DIR}/a)
set(_b "${WORK_DIR}/a much longer folder/b")
foreach(_dir IN ITEMS "${_a}" "${_b}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DWORK_DIR=${_dir}/work
                          -DOUTPUT=${_dir}/levelbook11.chm -DCHMCMD=${CHMCMD} -DSETTLE=${SETTLE}
                          -DPROOT=${PROOT} -DUNSHARE=${UNSHARE}
                          -P ${CMAKE_CURRENT_LIST_DIR}/BuildChm.cmake
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "Compiling the help in ${_dir} failed")
  endif()
endforeach()
file(STRINGS ${_a}/work/isolated _isolated)
if(NOT _isolated STREQUAL "yes")
  message("The help compiler can run in no root of its own here: the help file names its build folder. Skipped.")
  return()
endif()
foreach(_other IN ITEMS "${_b}/levelbook11.chm" "${BUILT}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${_a}/levelbook11.chm ${_other} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${_a}/levelbook11.chm and ${_other} differ")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
message("The help file is the same in every build folder.")
