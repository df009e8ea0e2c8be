# cmake -DRSVG_CONVERT=<rsvg-convert> -DSVG_DIR=<dir> -DOUT=<dir> -P render.cmake
#
# Renders every skin picture into OUT/skin/<picture>.png at its own size and
# OUT/skin/<picture>@2x.png at twice that, from the SVGs written to SVG_DIR.
# Both folders are emptied first, so a picture that is gone leaves no stale
# PNG behind for the archive.
cmake_minimum_required(VERSION 3.25)
foreach(var RSVG_CONVERT SVG_DIR OUT)
  if(NOT ${var})
    message(FATAL_ERROR "render.cmake needs -D${var}=...")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/pictures.cmake)

function(render svg width height png)
  execute_process(COMMAND ${RSVG_CONVERT} -w ${width} -h ${height} -f png -o ${png} ${svg}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "rsvg-convert failed on ${svg}: ${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${SVG_DIR} ${OUT})
cw_skin_pictures(items ${SVG_DIR})
foreach(item ${items})
  string(REPLACE "|" ";" fields "${item}")
  list(GET fields 0 svg)
  list(GET fields 1 picture)
  list(GET fields 2 width)
  list(GET fields 3 height)
  get_filename_component(dir ${OUT}/skin/${picture} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  math(EXPR width2 "${width} * 2")
  math(EXPR height2 "${height} * 2")
  render(${svg} ${width} ${height} ${OUT}/skin/${picture}.png)
  render(${svg} ${width2} ${height2} ${OUT}/skin/${picture}@2x.png)
endforeach()
