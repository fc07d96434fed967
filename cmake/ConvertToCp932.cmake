# Writes a UTF-8 text file again in code page 932 (Shift_JIS as Windows has it),
# with iconv when there is one and Python 3 otherwise. A character that code
# page 932 cannot hold fails the build instead of turning into "?".
#   cmake -DINPUT=in.txt -DOUTPUT=out.txt [-DICONV=iconv] [-DPYTHON=python3] -P ConvertToCp932.cmake
foreach(var INPUT OUTPUT)
    if(NOT ${var})
        message(FATAL_ERROR "ConvertToCp932: ${var} is not set")
    endif()
endforeach()

set(partial "${OUTPUT}.partial")
if(ICONV)
    execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${INPUT}"
                    OUTPUT_FILE "${partial}" RESULT_VARIABLE status ERROR_VARIABLE errors)
elseif(PYTHON)
    execute_process(COMMAND "${PYTHON}" -c
                    "import sys; open(sys.argv[2], 'wb').write(open(sys.argv[1], 'rb').read().decode('utf-8').encode('cp932'))"
                    "${INPUT}" "${partial}" RESULT_VARIABLE status ERROR_VARIABLE errors)
else()
    message(FATAL_ERROR "ConvertToCp932: neither iconv nor Python 3 was found to write ${OUTPUT} in code page 932. "
                        "Install one of them (Git for Windows brings iconv) or set KOMETORI_ICONV or Python3_EXECUTABLE.")
endif()
if(NOT status EQUAL 0)
    file(REMOVE "${partial}")
    message(FATAL_ERROR "ConvertToCp932: ${INPUT} could not be written in code page 932: ${errors}")
endif()
file(RENAME "${partial}" "${OUTPUT}")
