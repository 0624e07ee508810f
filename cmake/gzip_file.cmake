# Compresses INPUT into OUTPUT the way Debian wants it: best compression, no
# name and no time stamp in the header, so the bytes depend on INPUT alone.
#   cmake -DGZIP=gzip -DINPUT=file -DOUTPUT=file.gz -P gzip_file.cmake
execute_process(COMMAND ${GZIP} -9 -n -c ${INPUT}
                OUTPUT_FILE ${OUTPUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip ${INPUT} failed: ${result}")
endif()
