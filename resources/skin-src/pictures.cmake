# Which pictures the skin has and where their SVG comes from. Included by the
# build (resources/CMakeLists.txt, through render.cmake) and by the archive's
# reproducibility test, so both see the same list.
#
# A plain resources/skin-src/<path>.svg is the picture skin/<path>.png. A
# template <name>.svg.in holds @VARIABLES@ and becomes one picture per variant
# listed in cw_skin_pictures below (button states, the spinner's frames).

set(CW_SKIN_SRC ${CMAKE_CURRENT_LIST_DIR})

# Appends "<svg>|<picture>|<width>|<height>" for svg to CW_SKIN_ITEMS of the
# caller; the size comes from the root element, so it is stated once.
function(_cw_skin_add svg picture)
  file(READ ${svg} text LIMIT 2048)
  string(REGEX MATCH "<svg[^>]* width=\"([0-9]+)\"" match "${text}")
  set(width ${CMAKE_MATCH_1})
  string(REGEX MATCH "<svg[^>]* height=\"([0-9]+)\"" match "${text}")
  set(height ${CMAKE_MATCH_1})
  if(NOT width OR NOT height)
    message(FATAL_ERROR "${svg}: the <svg> element needs a width and a height in whole pixels")
  endif()
  foreach(item ${CW_SKIN_ITEMS})
    if(item MATCHES "^[^|]*\\|${picture}\\|")
      message(FATAL_ERROR "skin picture ${picture} is made twice (${svg})")
    endif()
  endforeach()
  list(APPEND CW_SKIN_ITEMS "${svg}|${picture}|${width}|${height}")
  set(CW_SKIN_ITEMS ${CW_SKIN_ITEMS} PARENT_SCOPE)
endfunction()

# _cw_skin_variant(<template> <picture> KEY=VALUE...): expands
# skin-src/<template>.svg.in with the given variables into <picture>.svg.
function(_cw_skin_variant template picture)
  foreach(assignment ${ARGN})
    string(FIND "${assignment}" "=" eq)
    if(eq LESS 1)
      message(FATAL_ERROR "${template} ${picture}: '${assignment}' is not KEY=VALUE")
    endif()
    string(SUBSTRING "${assignment}" 0 ${eq} key)
    math(EXPR eq "${eq} + 1")
    string(SUBSTRING "${assignment}" ${eq} -1 value)
    set(${key} "${value}")
  endforeach()
  set(svg ${CW_SKIN_SVG_DIR}/${picture}.svg)
  configure_file(${CW_SKIN_SRC}/${template}.svg.in ${svg} @ONLY)
  file(READ ${svg} expanded)
  if(expanded MATCHES "@[A-Z0-9_]+@")
    message(FATAL_ERROR "${template}.svg.in: ${CMAKE_MATCH_0} has no value for ${picture}")
  endif()
  _cw_skin_add(${svg} ${picture})
  set(CW_SKIN_ITEMS ${CW_SKIN_ITEMS} PARENT_SCOPE)
endfunction()

# cw_skin_pictures(<out-var> <svg-dir>): writes every picture's SVG below
# svg-dir (plain ones copied, templates expanded) and sets out-var to the
# items "<svg>|<picture>|<width>|<height>", <picture> without ".png".
function(cw_skin_pictures out svg_dir)
  set(CW_SKIN_SVG_DIR ${svg_dir})
  set(CW_SKIN_ITEMS "")

  file(GLOB_RECURSE plain RELATIVE ${CW_SKIN_SRC} ${CW_SKIN_SRC}/*.svg)
  list(SORT plain)
  foreach(rel ${plain})
    configure_file(${CW_SKIN_SRC}/${rel} ${svg_dir}/${rel} COPYONLY)
    string(REGEX REPLACE "\\.svg$" "" picture ${rel})
    _cw_skin_add(${svg_dir}/${rel} ${picture})
  endforeach()

  # Settings page's top area: brand violet while installing, green when done;
  # its front wave takes the colour of the settings panel below it.
  _cw_skin_variant(backgroud backgroud A1=8372FF A2=3CC8C8 OP=1 BASE=FAF9FF FRONT=F6F5FF)
  _cw_skin_variant(backgroud backgroud_complete A1=28BF74 A2=8FD9B6 OP=0.8 BASE=F7FCF9 FRONT=F1FAF5)

  _cw_skin_variant(logo logo SIZE=80)
  _cw_skin_variant(logo logo_running SIZE=64)

  # Title-bar buttons: a thin glyph, a soft round backdrop when hot.
  set(minimize "D=M6 10.5h8" SW=1 CAP=butt)
  set(close "D=M6.5 6.5l7 7m0-7l-7 7" SW=1.3 CAP=round)
  _cw_skin_variant(title_button btn_min_normal ${minimize} FG=8A8799 BG=8372FF BGO=0)
  _cw_skin_variant(title_button btn_min_hot ${minimize} FG=6A58F0 BG=8372FF BGO=0.14)
  _cw_skin_variant(title_button btn_min_pushed ${minimize} FG=6A58F0 BG=8372FF BGO=0.26)
  _cw_skin_variant(title_button btn_close_normal ${close} FG=8A8799 BG=FF612E BGO=0)
  _cw_skin_variant(title_button btn_close_hot ${close} FG=FFFFFF BG=FF612E BGO=1)
  _cw_skin_variant(title_button btn_close_pushed ${close} FG=FFFFFF BG=E04A1A BGO=1)

  _cw_skin_variant(button_main btn_install_normal FILL=8372FF)
  _cw_skin_variant(button_main btn_install_hot FILL=9486FF)
  _cw_skin_variant(button_main btn_install_pushed FILL=6A58F0)
  _cw_skin_variant(button_main btn_install_disabled FILL=C9C3F5)

  _cw_skin_variant(button_small btn_primary_normal FILL=8372FF BORDER=8372FF)
  _cw_skin_variant(button_small btn_primary_hot FILL=9486FF BORDER=9486FF)
  _cw_skin_variant(button_small btn_primary_pushed FILL=6A58F0 BORDER=6A58F0)
  _cw_skin_variant(button_small btn_secondary_normal FILL=FFFFFF BORDER=CFCAE8)
  _cw_skin_variant(button_small btn_secondary_hot FILL=F6F5FF BORDER=8372FF)
  _cw_skin_variant(button_small btn_secondary_pushed FILL=ECE9FF BORDER=6A58F0)
  _cw_skin_variant(button_small btn_secondary_disabled FILL=F7F7F9 BORDER=E6E6E6)

  _cw_skin_variant(checkbox checkbox_normal FILL=FFFFFF BORDER=B8B2D6 TICK=0)
  _cw_skin_variant(checkbox checkbox_hot FILL=F6F5FF BORDER=8372FF TICK=0)
  _cw_skin_variant(checkbox checkbox_checked FILL=8372FF BORDER=8372FF TICK=1)
  _cw_skin_variant(checkbox checkbox_checked_hot FILL=9486FF BORDER=9486FF TICK=1)

  _cw_skin_variant(combo combo_normal FILL=FFFFFF BORDER=D9D6EA CHEVRON=6E6A86)
  _cw_skin_variant(combo combo_hot FILL=FFFFFF BORDER=8372FF CHEVRON=8372FF)
  _cw_skin_variant(combo combo_pushed FILL=F6F5FF BORDER=6A58F0 CHEVRON=6A58F0)

  # The stroke sits inside the picture: inset by half its width.
  set(thin I=0.5 W=39 H=27 SW=1)
  _cw_skin_variant(edit edit_normal ${thin} BORDER=D9D6EA)
  _cw_skin_variant(edit edit_hot ${thin} BORDER=B3A9FF)
  _cw_skin_variant(edit edit_focused I=0.75 W=38.5 H=26.5 SW=1.5 BORDER=8372FF)

  _cw_skin_variant(dot dot_normal FILL=9A95B8 OP=0.5)
  _cw_skin_variant(dot dot_selected FILL=8372FF OP=1)

  # Round badges with a stroked mark, drawn on a 40 px grid at any size.
  set(exclamation "D=M20 10.5v11.5m0 7v.1")
  _cw_skin_variant(badge icon_warning SIZE=24 FILL=FF612E ${exclamation})
  _cw_skin_variant(badge message_exclamation SIZE=40 FILL=FF612E ${exclamation})
  _cw_skin_variant(badge message_help SIZE=40 FILL=8372FF
                   "D=M14.8 15.6a5.3 5.3 0 1 1 7.6 4.7c-1.6.8-2.4 1.8-2.4 3.5v.7m0 5.1v.1")

  # The launch spinner: one turn in fourteen frames.
  foreach(frame RANGE 13)
    math(EXPR millidegrees "${frame} * 360000 / 14")
    math(EXPR whole "${millidegrees} / 1000")
    math(EXPR part "${millidegrees} % 1000")
    string(LENGTH "${part}" digits)
    while(digits LESS 3)
      set(part "0${part}")
      string(LENGTH "${part}" digits)
    endwhile()
    set(name ${frame})
    if(frame LESS 10)
      set(name 0${frame})
    endif()
    _cw_skin_variant(gif/frame gif/bg${name} ANGLE=${whole}.${part})
  endforeach()

  set(${out} ${CW_SKIN_ITEMS} PARENT_SCOPE)
endfunction()
