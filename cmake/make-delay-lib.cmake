# Makes a delay-load import library for one system DLL from the toolchain's
# ordinary import library: every function it exports, loaded on first call.
# Called as: cmake -DNM=.. -DDLLTOOL=.. -DIMPORT_LIB=.. -DDLL=user32 -DOUT=.. -DX86=ON|OFF -P make-delay-lib.cmake
execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIB}
                OUTPUT_VARIABLE symbols ERROR_QUIET RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\r\n]+" functions "${symbols}")
set(def "LIBRARY ${DLL}.dll\nEXPORTS\n")
set(count 0)
foreach(line IN LISTS functions)
  string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${line}")
  # x86 symbols carry the C prefix "_"; the .def names do not.
  if(X86)
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  string(APPEND def "${name}\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no functions found in ${IMPORT_LIB}")
endif()
get_filename_component(out_dir ${OUT} DIRECTORY)
file(WRITE ${out_dir}/${DLL}.def "${def}")
# -k: x86 stdcall names are imported without their "@<bytes>" suffix.
set(kill_at "")
if(X86)
  set(kill_at -k)
endif()
execute_process(COMMAND ${DLLTOOL} ${kill_at} --input-def ${out_dir}/${DLL}.def --output-delaylib ${OUT} --dllname ${DLL}.dll
                RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} failed for ${DLL}")
endif()
