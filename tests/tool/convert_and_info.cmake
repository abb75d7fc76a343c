# End-to-end check of the command-line tool: convert a text file, then read
# the result back with "info --lines". Fails on any non-zero exit or when the
# output does not show the pages and lines expected.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

execute_process(COMMAND ${TOOL} convert -o ${WORK}/out.apf --lines-per-page 10 --station-id "CMake test" ${SAMPLE}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "convert failed (${rc}): ${out} ${err}")
endif()

execute_process(COMMAND ${TOOL} info --lines ${WORK}/out.apf RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "info failed (${rc}): ${out} ${err}")
endif()
if(NOT out MATCHES "station ID: \"CMake test\"")
  message(FATAL_ERROR "station ID missing from: ${out}")
endif()
# 10 text lines of 16 scan lines each on every full page.
if(NOT out MATCHES "page 1: [0-9]+ bytes, flags 0x0004 \\(standard, 1728 wide, line records\\), 160 lines, 0 bad codes")
  message(FATAL_ERROR "unexpected page 1 in: ${out}")
endif()

# A missing input fails with "File not found" and leaves no output behind.
execute_process(COMMAND ${TOOL} convert -o ${WORK}/missing.apf ${WORK}/no-such-file.txt
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "File not found \\(-2\\)")
  message(FATAL_ERROR "missing input: exit ${rc}, stderr ${err}")
endif()
if(EXISTS ${WORK}/missing.apf)
  message(FATAL_ERROR "a failed conversion left ${WORK}/missing.apf behind")
endif()

# A file that is not an APF file.
execute_process(COMMAND ${TOOL} info ${SAMPLE} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "File is not an APF file \\(-8001\\)")
  message(FATAL_ERROR "info on a text file: exit ${rc}, stderr ${err}")
endif()
