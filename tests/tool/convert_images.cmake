# End-to-end check of image conversion with the command-line tool: images
# made by ImageMagick (TIFF, PCX, DCX, 2-colour BMP, JPEG, PNG, grey TIFF,
# colour PCX) are converted with the type taken from their first bytes or
# extension, and "info --lines" must show the
# pages and lines. A malformed image fails with -8002 and leaves nothing.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
find_program(MAGICK convert)
if(NOT MAGICK)
  message(STATUS "ImageMagick's convert is not installed: image conversion not checked")
  return()
endif()

# A 40 x 20 plain PBM: a frame and a diagonal.
set(pbm "P1\n40 20\n")
foreach(y RANGE 19)
  foreach(x RANGE 39)
    if(x EQUAL 0 OR y EQUAL 0 OR x EQUAL 39 OR y EQUAL 19 OR x EQUAL y)
      string(APPEND pbm "1 ")
    else()
      string(APPEND pbm "0 ")
    endif()
  endforeach()
  string(APPEND pbm "\n")
endforeach()
file(WRITE ${WORK}/in.pbm "${pbm}")

function(magick)
  execute_process(COMMAND ${MAGICK} ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "convert ${ARGN} failed: ${err}")
  endif()
endfunction()
magick(${WORK}/in.pbm -compress none ${WORK}/plain.tif)
magick(${WORK}/in.pbm -compress RLE ${WORK}/packed.tiff)
magick(${WORK}/in.pbm ${WORK}/in.gif)
magick(${WORK}/in.gif ${WORK}/in.pcx)
magick(${WORK}/in.gif ${WORK}/in.gif ${WORK}/in.gif ${WORK}/three.dcx)
magick(${WORK}/in.pbm -type bilevel BMP3:${WORK}/mono.bmp)
magick(${WORK}/in.pbm -quality 95 ${WORK}/photo.JPG)
# Kinds prepared into 8-bit BMPs, known by their first bytes: a PNG under a
# name that says nothing, a two-page TIFF of grey levels, a 24-bit PCX.
magick(${WORK}/in.pbm PNG:${WORK}/scan.dat)
magick(${WORK}/in.pbm ${WORK}/in.pbm -type Grayscale -depth 8 ${WORK}/grey.tif)
magick(${WORK}/in.pbm -type TrueColor ${WORK}/colour.pcx)

# file, pages, lines on page 1, extra options
foreach(case "plain.tif;1;20" "packed.tiff;1;10;--half-height;--no-double-width" "in.pcx;1;20" "three.dcx;3;20"
             "mono.bmp;1;20" "photo.JPG;1;20;--high" "scan.dat;1;20" "grey.tif;2;20" "colour.pcx;1;20")
  list(GET case 0 name)
  list(GET case 1 pages)
  list(GET case 2 lines)
  set(options "")
  list(LENGTH case n)
  if(n GREATER 3)
    list(SUBLIST case 3 -1 options)
  endif()
  execute_process(COMMAND ${TOOL} convert ${options} --station-id "img" -o ${WORK}/${name}.apf ${WORK}/${name}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "convert ${name} failed (${rc}): ${out} ${err}")
  endif()
  execute_process(COMMAND ${TOOL} info --lines ${WORK}/${name}.apf RESULT_VARIABLE rc OUTPUT_VARIABLE out)
  if(NOT out MATCHES "page 1: [0-9]+ bytes, flags 0x[0-9a-fA-F]+ \\([^)]*\\), ${lines} lines, 0 bad codes")
    message(FATAL_ERROR "${name}: page 1 should have ${lines} lines: ${out}")
  endif()
  math(EXPR last "${pages} + 1")
  if(NOT out MATCHES "page ${pages}:" OR out MATCHES "page ${last}:")
    message(FATAL_ERROR "${name}: ${pages} pages expected: ${out}")
  endif()
endforeach()
# The JPEG, the 2-colour BMP and the images above were converted from 8-bit BMP files made
# beside the output; those are gone again.
file(GLOB left ${WORK}/*.Bmp)
if(left)
  message(FATAL_ERROR "prepared files left behind: ${left}")
endif()

# A malformed TIFF: "Unsupported graphics file format", no output.
file(WRITE ${WORK}/bad.tif "II*\0 this is not a directory")
execute_process(COMMAND ${TOOL} convert -o ${WORK}/bad.apf ${WORK}/bad.tif RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "Unsupported graphics file format \\(-8002\\)")
  message(FATAL_ERROR "bad TIFF: exit ${rc}, stderr ${err}")
endif()
if(EXISTS ${WORK}/bad.apf)
  message(FATAL_ERROR "a failed conversion left bad.apf behind")
endif()
