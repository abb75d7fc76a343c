# End-to-end check of "telvane-fax cover": a design with tag values becomes a
# one-page APF file of 1095 lines, and "convert" makes a design the same way;
# a design of another version is refused with its message and leaves no fax
# file.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY_FILE ${DESIGN} ${WORK}/my.design.fcp)

execute_process(COMMAND ${TOOL} cover --page-count 12 --page-number 1 --sender "张三" --bitmap ${WORK}/page.bmp
                        -o ${WORK}/out.apf ${WORK}/my.design.fcp
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "out.apf: 1 page")
  message(FATAL_ERROR "cover failed (${rc}): ${out} ${err}")
endif()
execute_process(COMMAND ${TOOL} info --lines ${WORK}/out.apf RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "page 1: [0-9]+ bytes, flags 0x0004 \\(standard, 1728 wide, line records\\), 1095 lines, 0 bad codes")
  message(FATAL_ERROR "unexpected page in (${rc}): ${out} ${err}")
endif()
# The drawn page: 844 x 1095 as a 24-bit BMP (rows of 2532 bytes).
file(SIZE ${WORK}/page.bmp size)
if(NOT size EQUAL 2772594)
  message(FATAL_ERROR "page image of ${size} bytes")
endif()

# Without -o the fax file is named after the design up to the first dot.
execute_process(COMMAND ${TOOL} cover -q ${WORK}/my.design.fcp RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/my.apf OR NOT out STREQUAL "")
  message(FATAL_ERROR "default output name (${rc}): ${out} ${err}")
endif()

# "convert" hands a design to the cover page generator rather than reading it as text.
execute_process(COMMAND ${TOOL} convert -o ${WORK}/converted.apf ${WORK}/my.design.fcp
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "converted.apf: 1 page")
  message(FATAL_ERROR "convert of a design failed (${rc}): ${out} ${err}")
endif()
execute_process(COMMAND ${TOOL} info --lines ${WORK}/converted.apf RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "page 1: [0-9]+ bytes, flags 0x0004 \\(standard, 1728 wide, line records\\), 1095 lines, 0 bad codes")
  message(FATAL_ERROR "unexpected converted design in (${rc}): ${out} ${err}")
endif()

string(ASCII 4 four)
string(REPEAT " " 1100 padding)
file(WRITE ${WORK}/old.fcp "${four}1.01${padding}")
execute_process(COMMAND ${TOOL} cover ${WORK}/old.fcp RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Version mismatch! Unable to read Fax Cover Page!")
  message(FATAL_ERROR "old version: exit ${rc}, stderr ${err}")
endif()
if(EXISTS ${WORK}/old.apf)
  message(FATAL_ERROR "a refused design left ${WORK}/old.apf behind")
endif()
execute_process(COMMAND ${TOOL} convert ${WORK}/old.fcp RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Version mismatch! Unable to read Fax Cover Page!")
  message(FATAL_ERROR "convert of an old version: exit ${rc}, stderr ${err}")
endif()
