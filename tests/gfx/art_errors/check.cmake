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
execute_process(COMMAND ${ART} RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 2)
  list(APPEND failures "no arguments: status ${rc}, expected 2 (usage)")
endif()
if(failures)
  list(JOIN failures "\n" msg)
  message(FATAL_ERROR "${msg}")
endif()
