# Runs velkari-art on each broken source here and checks that it refuses it
# with status 1 and the message named on the source's first line
# ("# expect: MESSAGE").
#   cmake -DART=<velkari-art> -DDIR=<this folder> -DOUT=<scratch.bmp> -P check.cmake
file(GLOB sources ${DIR}/*.txt)
set(failures "")
foreach(src IN LISTS sources)
  file(STRINGS ${src} first LIMIT_COUNT 1)
  string(REGEX REPLACE "^# expect: " "" expected "${first}")
  execute_process(COMMAND ${ART} ${src} ${OUT} RESULT_VARIABLE rc ERROR_VARIABLE err)
  string(FIND "${err}" "${expected}" at)
  if(NOT rc EQUAL 1 OR at EQUAL -1)
    list(APPEND failures "${src}: status ${rc}, said: ${err}(expected: ${expected})")
  endif()
endforeach()
# A 16-colour icon: a picture with 17 colours is refused; the game's icons
# hold a 32 x 32 and a 16 x 16 image of 4 bits with a 16-colour palette.
set(icon_src ${DIR}/icon/too_many_colours.txt)
execute_process(COMMAND ${ART} --ico ${OUT}.ico --16-colours ${icon_src}
                RESULT_VARIABLE rc ERROR_VARIABLE err)
string(FIND "${err}" "has 17 colours" at)
if(NOT rc EQUAL 1 OR at EQUAL -1)
  list(APPEND failures "${icon_src}: status ${rc}, said: ${err}(expected: has 17 colours)")
endif()
set(art_dir ${DIR}/../../../res/art)
execute_process(COMMAND ${ART} --ico ${OUT}.ico --16-colours ${art_dir}/icon32.txt
                        ${art_dir}/icon16.txt RESULT_VARIABLE rc ERROR_VARIABLE err)
file(READ ${OUT}.ico head LIMIT 38 HEX)
# Header (icon, 2 images), then per image: width, height, 16 colours, 0,
# 1 plane, 4 bits.
string(SUBSTRING "${head}" 0 12 h0)
string(SUBSTRING "${head}" 12 16 e1)
string(SUBSTRING "${head}" 44 16 e2)
if(NOT rc EQUAL 0 OR NOT h0 STREQUAL "000001000200" OR NOT e1 STREQUAL "2020100001000400"
   OR NOT e2 STREQUAL "1010100001000400")
  list(APPEND failures "the game's icon: status ${rc} ${err}, header ${head}")
endif()
execute_process(COMMAND ${ART} RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 2)
  list(APPEND failures "no arguments: status ${rc}, expected 2 (usage)")
endif()
if(failures)
  list(JOIN failures "\n" msg)
  message(FATAL_ERROR "${msg}")
endif()
