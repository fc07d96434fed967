# cmake -DNM=... -DDLLTOOL=... -DIMPORT=lib<name>.a -DOUTPUT=lib<name>_delay.a -P MakeDelayLib.cmake
# The DLL's name and its functions are read from the import library.
execute_process(COMMAND "${NM}" "${IMPORT}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} ${IMPORT} failed")
endif()
execute_process(COMMAND "${DLLTOOL}" --identify "${IMPORT}" OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed)
if(failed OR dll STREQUAL "")
    message(FATAL_ERROR "${DLLTOOL} --identify ${IMPORT} failed")
endif()
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" names "${symbols}")
list(TRANSFORM names REPLACE " I __imp_" "")
list(REMOVE_DUPLICATES names)
list(JOIN names "\n" exports)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${OUTPUT}.def" "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
execute_process(COMMAND "${DLLTOOL}" --input-def "${OUTPUT}.def" --output-delaylib "${OUTPUT}" --dllname "${dll}"
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
