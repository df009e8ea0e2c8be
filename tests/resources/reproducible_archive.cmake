# cmake -DRSVG_CONVERT=... -DMKARCHIVE=... -DSOURCE=<resources> -DWORK=<dir> -P reproducible_archive.cmake
#
# The resource archive must be the same bytes whenever it is built from the
# same sources: renders the skin and packs the archive twice, in two folders
# of different names, and compares. Also checks what that hinges on or what
# the archive promises: no time stamps in the PNGs, every picture at both
# scales with "@2x" exactly twice the size, the pictures' total within budget,
# the SVG sources left out, and two roots holding one name refused.
cmake_minimum_required(VERSION 3.25)
foreach(var RSVG_CONVERT MKARCHIVE SOURCE WORK)
  if(NOT ${var})
    message(FATAL_ERROR "reproducible_archive.cmake needs -D${var}=...")
  endif()
endforeach()

# Both scales of all pictures together, in bytes (1.5 MiB).
set(budget 1572864)

function(build_archive dir)
  file(REMOVE_RECURSE ${dir})
  execute_process(COMMAND ${CMAKE_COMMAND} -DRSVG_CONVERT=${RSVG_CONVERT} -DSVG_DIR=${dir}/svg -DOUT=${dir}/rendered
                          -P ${SOURCE}/skin-src/render.cmake
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "rendering into ${dir} failed")
  endif()
  execute_process(COMMAND ${MKARCHIVE} --exclude skin-src ${dir}/resources.zip ${SOURCE} ${dir}/rendered
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "packing ${dir}/resources.zip failed")
  endif()
endfunction()

# Width and height from a PNG's IHDR chunk (big-endian, bytes 16..23).
function(png_size png out_width out_height)
  file(READ ${png} ihdr OFFSET 16 LIMIT 8 HEX)
  string(SUBSTRING "${ihdr}" 0 8 w)
  string(SUBSTRING "${ihdr}" 8 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${out_width} ${w} PARENT_SCOPE)
  set(${out_height} ${h} PARENT_SCOPE)
endfunction()

set(first ${WORK}/first)
set(second ${WORK}/second-render)
build_archive(${first})
build_archive(${second})

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${first}/resources.zip ${second}/resources.zip
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "two builds of the resource archive differ: ${first}/resources.zip ${second}/resources.zip")
endif()

set(errors "")
set(total 0)
file(GLOB_RECURSE pngs RELATIVE ${first}/rendered ${first}/rendered/*.png)
list(LENGTH pngs count)
if(count EQUAL 0)
  message(FATAL_ERROR "no pictures were rendered")
endif()
foreach(png ${pngs})
  file(SIZE ${first}/rendered/${png} size)
  math(EXPR total "${total} + ${size}")
  file(READ ${first}/rendered/${png} bytes HEX)
  # "tIME"
  string(FIND "${bytes}" "74494d45" stamp)
  if(NOT stamp EQUAL -1)
    list(APPEND errors "${png} carries a time stamp")
  endif()
  if(png MATCHES "@2x\\.png$")
    continue()
  endif()
  string(REGEX REPLACE "\\.png$" "@2x.png" png2 ${png})
  if(NOT EXISTS ${first}/rendered/${png2})
    list(APPEND errors "${png} has no ${png2}")
    continue()
  endif()
  png_size(${first}/rendered/${png} w h)
  png_size(${first}/rendered/${png2} w2 h2)
  math(EXPR ww "${w} * 2")
  math(EXPR hh "${h} * 2")
  if(NOT w2 EQUAL ww OR NOT h2 EQUAL hh)
    list(APPEND errors "${png2} is ${w2} x ${h2}, ${png} is ${w} x ${h}")
  endif()
endforeach()
message(STATUS "${count} pictures, ${total} bytes")
if(total GREATER budget)
  list(APPEND errors "the pictures take ${total} bytes, more than ${budget}")
endif()

# The archive: the resources of the source folder and the rendered skin
# merged, the SVG sources not among them.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${first}/resources.zip OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list ${first}/resources.zip")
endif()
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" entries "${listing}")
foreach(entry ${entries})
  if(entry MATCHES "^skin-src/|\\.svg(\\.in)?$")
    list(APPEND errors "the archive holds the picture source ${entry}")
  endif()
endforeach()

# A name in two roots is refused, not silently taken from one of them.
file(MAKE_DIRECTORY ${WORK}/clash/skin)
file(WRITE ${WORK}/clash/skin/logo.png "not a picture")
execute_process(COMMAND ${MKARCHIVE} ${WORK}/clash.zip ${first}/rendered ${WORK}/clash
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  list(APPEND errors "cw_mkarchive packed skin/logo.png from two roots")
endif()

if(errors)
  list(JOIN errors "\n  " text)
  message(FATAL_ERROR "resource archive:\n  ${text}")
endif()
file(REMOVE_RECURSE ${WORK})
