# End-to-end check of "telvane-fax unpack": convert a text file to a
# multi-page APF file, unpack it to every image type, per page and all pages
# in one image, and read the results back with libtiff's tiffinfo, netpbm and
# ImageMagick. Fails on any unexpected exit code, size or pixel difference.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}): ${out} ${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${TOOL} convert -q -o ${WORK}/fax.apf --lines-per-page 10 ${SAMPLE})
run(${TOOL} info ${WORK}/fax.apf)
string(REGEX MATCH "pages: +([0-9]+)" m "${out}")
set(pages ${CMAKE_MATCH_1})
if(NOT pages GREATER 1)
  message(FATAL_ERROR "expected a multi-page fax from ${SAMPLE}: ${out}")
endif()

# All pages in one image, each type; the names the tool reports.
foreach(type bmp pcx dcx tif)
  run(${TOOL} unpack -o ${WORK}/all.${type} ${WORK}/fax.apf)
  if(NOT out STREQUAL "${WORK}/all.${type}\n" OR NOT EXISTS ${WORK}/all.${type})
    message(FATAL_ERROR "unpack to ${type} reported '${out}'")
  endif()
endforeach()

# An output name without an extension gets the type's; the tool reports that name.
run(${TOOL} unpack -t pcx -o ${WORK}/plain ${WORK}/fax.apf)
if(NOT out STREQUAL "${WORK}/plain.pcx\n" OR NOT EXISTS ${WORK}/plain.pcx OR EXISTS ${WORK}/plain)
  message(FATAL_ERROR "unpack to a name without extension reported '${out}'")
endif()

# One image per page: page1.tif ... pageN.tif, in the case of the name given.
run(${TOOL} unpack --per-page -t tif -o ${WORK}/page.tif ${WORK}/fax.apf)
foreach(n RANGE 1 ${pages})
  if(NOT EXISTS ${WORK}/page${n}.tif)
    message(FATAL_ERROR "per-page unpack did not write page${n}.tif: ${out}")
  endif()
endforeach()

# libtiff: the stacked image is as tall as the pages together.
find_program(TIFFINFO tiffinfo)
if(TIFFINFO)
  run(${TIFFINFO} ${WORK}/all.tif)
  string(REGEX MATCH "Image Width: ([0-9]+) Image Length: ([0-9]+)" m "${out}")
  set(width ${CMAKE_MATCH_1})
  set(height ${CMAKE_MATCH_2})
  if(NOT out MATCHES "PackBits" OR NOT out MATCHES "min-is-white")
    message(FATAL_ERROR "unexpected TIFF fields: ${out}")
  endif()
  set(sum 0)
  foreach(n RANGE 1 ${pages})
    run(${TIFFINFO} ${WORK}/page${n}.tif)
    string(REGEX MATCH "Image Length: ([0-9]+)" m "${out}")
    math(EXPR sum "${sum} + ${CMAKE_MATCH_1}")
  endforeach()
  if(NOT sum EQUAL height)
    message(FATAL_ERROR "stacked TIFF is ${height} rows, the pages ${sum}")
  endif()

  # Scaling: a quarter as wide (rows padded to 16 pixels), twice as high.
  run(${TOOL} unpack --scale-h 1/4 --scale-v 2 -o ${WORK}/scaled.tif ${WORK}/fax.apf)
  run(${TIFFINFO} ${WORK}/scaled.tif)
  math(EXPR w4 "(${width} / 4 + 15) / 16 * 16")
  math(EXPR h2 "${height} * 2")
  if(NOT out MATCHES "Image Width: ${w4} Image Length: ${h2}")
    message(FATAL_ERROR "scaled TIFF should be ${w4}x${h2}: ${out}")
  endif()

  # Half width instead of double height: half as wide, half as high.
  run(${TOOL} unpack --aspect half-width -o ${WORK}/half.tif ${WORK}/fax.apf)
  run(${TIFFINFO} ${WORK}/half.tif)
  math(EXPR hh "${height} / 2")
  if(NOT out MATCHES "Image Length: ${hh}\n")
    message(FATAL_ERROR "half-width TIFF should be ${hh} rows: ${out}")
  endif()
endif()

# The same pixels in every format, each read by an independent reader.
find_program(TIFFTOPNM tifftopnm)
find_program(BMPTOPNM bmptopnm)
find_program(PCXTOPPM pcxtoppm)
find_program(PPMTOPGM ppmtopgm)
find_program(PGMTOPBM pgmtopbm)
if(TIFFTOPNM AND BMPTOPNM AND PCXTOPPM AND PPMTOPGM AND PGMTOPBM)
  set(reference "")
  foreach(pair "${TIFFTOPNM};all.tif" "${BMPTOPNM};all.bmp" "${PCXTOPPM};all.pcx")
    list(GET pair 0 reader)
    list(GET pair 1 name)
    execute_process(COMMAND ${reader} ${WORK}/${name} COMMAND ${PPMTOPGM} COMMAND ${PGMTOPBM} -threshold
                    OUTPUT_FILE ${WORK}/${name}.pbm RESULT_VARIABLE rc ERROR_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "netpbm could not read ${name}")
    endif()
    file(SHA256 ${WORK}/${name}.pbm digest)
    if(reference STREQUAL "")
      set(reference ${digest})
    elseif(NOT digest STREQUAL reference)
      message(FATAL_ERROR "${name} holds other pixels than all.tif")
    endif()
  endforeach()
endif()

# ImageMagick: one frame per page in the DCX file.
find_program(IDENTIFY NAMES identify-im6.q16 identify PATHS /usr/bin NO_DEFAULT_PATH)
if(IDENTIFY)
  run(${IDENTIFY} -format "%m\n" ${WORK}/all.dcx)
  string(REGEX MATCHALL "DCX" frames "${out}")
  list(LENGTH frames count)
  if(NOT count EQUAL pages)
    message(FATAL_ERROR "DCX should hold ${pages} frames: ${out}")
  endif()
endif()

# Errors: not an APF file, whitespace limits the wrong way round, a bad type.
execute_process(COMMAND ${TOOL} unpack -o ${WORK}/bad.tif ${SAMPLE} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "File is not an APF file \\(-8001\\)" OR EXISTS ${WORK}/bad.tif)
  message(FATAL_ERROR "text input: exit ${rc}, stderr ${err}")
endif()
execute_process(COMMAND ${TOOL} unpack --whitespace 2:5 -o ${WORK}/ws.tif ${WORK}/fax.apf
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "\\(-1002\\)")
  message(FATAL_ERROR "whitespace 2:5: exit ${rc}, stderr ${err}")
endif()
execute_process(COMMAND ${TOOL} unpack -t gif ${WORK}/fax.apf RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "unknown type: exit ${rc}, stderr ${err}")
endif()
