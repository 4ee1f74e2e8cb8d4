# Compiles levelbook11.chm from the help sources, the same bytes in any build
# folder. Run as
#   cmake -DSOURCE_DIR=<help> -DWORK_DIR=<folder> -DOUTPUT=<file> -DCHMCMD=<chmcmd>
#         -DSETTLE=<chmsettle> [-DPROOT=<proot>] [-DUNSHARE=<unshare>] -P BuildChm.cmake
#
# chmcmd names every page of the context map by the full path of the folder
# it compiles in followed by the page's name, and writes the time of day into
# the file. So it runs in a root of its own, where the work folder is "/" and
# the map names the pages as the file stores them ("/topics/start.html"):
# first under proot, which needs no privilege and works inside a chroot or a
# container too, else in a user namespace; chmsettle then zeroes the compile
# times. WORK_DIR/isolated says whether that worked ("yes" or "no"). Where no
# root of its own can be made, chmcmd runs in the work folder as it is, with a
# warning: the help works (the program's viewer matches the map's paths by
# their ends) but names the build folder.

foreach(_var SOURCE_DIR WORK_DIR OUTPUT CHMCMD SETTLE)
  if(NOT ${_var})
    message(FATAL_ERROR "BuildChm.cmake needs -D${_var}=...")
  endif()
endforeach()

set(_root ${WORK_DIR}/root)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${_root})
file(COPY ${SOURCE_DIR}/ DESTINATION ${_root}
     PATTERN CMakeLists.txt EXCLUDE PATTERN tools EXCLUDE PATTERN *.chm EXCLUDE)

set(_compiled FALSE)
set(_why "")
# Runs chmcmd inside the root with the command prefix given, unless an earlier
# way worked.
macro(_lb_compile_isolated)
  if(NOT _compiled)
    execute_process(COMMAND ${ARGN} /chmcmd --no-html-scan levelbook11.hhp
                    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
    if(_rc EQUAL 0 AND EXISTS ${_root}/levelbook11.chm)
      set(_compiled TRUE)
    else()
      string(APPEND _why " ${ARGV0}: ${_rc} ${_err}")
      file(REMOVE ${_root}/levelbook11.chm)
    endif()
  endif()
endmacro()
if(PROOT OR UNSHARE)
  # The compiler and the libraries it loads, at their own paths inside the
  # root (the threads library is loaded by name at start, not linked).
  get_filename_component(_chmcmd ${CHMCMD} REALPATH)
  configure_file(${_chmcmd} ${_root}/chmcmd COPYONLY)
  execute_process(COMMAND ldd ${_chmcmd} OUTPUT_VARIABLE _ldd RESULT_VARIABLE _ldd_rc)
  string(REGEX MATCHALL "(=> )?/[^ \t\n]+ \\(" _libs "${_ldd}")
  set(_paths)
  foreach(_lib IN LISTS _libs)
    string(REGEX REPLACE "^(=> )?(/[^ ]+) \\($" "\\2" _lib "${_lib}")
    list(APPEND _paths ${_lib})
    if(_lib MATCHES "/libc\\.so")
      get_filename_component(_libdir ${_lib} DIRECTORY)
      file(GLOB _extra ${_libdir}/libpthread.so.0 ${_libdir}/libdl.so.2)
      list(APPEND _paths ${_extra})
    endif()
  endforeach()
  foreach(_lib IN LISTS _paths)
    configure_file(${_lib} ${_root}${_lib} COPYONLY)
  endforeach()
  if(PROOT)
    _lb_compile_isolated(${PROOT} -r ${_root} -w /)
  endif()
  if(UNSHARE)
    _lb_compile_isolated(${UNSHARE} --user --map-root-user --root=${_root} --wd=/)
  endif()
  file(REMOVE ${_root}/chmcmd)
  foreach(_lib IN LISTS _paths)
    file(REMOVE ${_root}${_lib})
  endforeach()
endif()
if(_compiled)
  file(WRITE ${WORK_DIR}/isolated "yes\n")
else()
  file(WRITE ${WORK_DIR}/isolated "no\n")
  message(WARNING "The help compiler could not run in a root of its own (${_why}); "
                  "levelbook11.chm will name the build folder in its context map.")
endif()

if(NOT _compiled)
  execute_process(COMMAND ${CHMCMD} --no-html-scan levelbook11.hhp WORKING_DIRECTORY ${_root}
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0 OR NOT EXISTS ${_root}/levelbook11.chm)
    message(FATAL_ERROR "chmcmd failed (${_rc}):\n${_out}\n${_err}")
  endif()
endif()

execute_process(COMMAND ${SETTLE} ${_root}/levelbook11.chm RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "chmsettle failed on ${_root}/levelbook11.chm")
endif()
configure_file(${_root}/levelbook11.chm ${OUTPUT} COPYONLY)
