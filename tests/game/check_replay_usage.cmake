# cmake -DREPLAY=velkari-replay -DWORKDIR=DIR -P check_replay_usage.cmake
# Bad arguments and bad scripts: a message on standard error and exit code 2,
# never a crash or a run.
cmake_policy(SET CMP0007 NEW)
file(MAKE_DIRECTORY ${WORKDIR})
file(WRITE ${WORKDIR}/unknown_key.script "5 Q\n")
file(WRITE ${WORKDIR}/zero_count.script "0 Z\n")
file(WRITE ${WORKDIR}/no_keys.script "1 -\n12\n")
file(WRITE ${WORKDIR}/extra.script "1 Z X\n")
file(WRITE ${WORKDIR}/empty_name.script "3 Z+\n")
file(WRITE ${WORKDIR}/too_long.script "1999999 -\n2 -\n")
file(WRITE ${WORKDIR}/ok.script "2 -\n")
set(cases
  "--board"
  "--board|0"
  "--board|2147483648"
  "--board|7x"
  "--board|1|--trace"
  "--board|1|--summary"
  "--board|1|--script|${WORKDIR}/ok.script"
  "--script"
  "--script|${WORKDIR}/missing.script"
  "--script|${WORKDIR}"
  "--script|${WORKDIR}/unknown_key.script"
  "--script|${WORKDIR}/zero_count.script"
  "--script|${WORKDIR}/no_keys.script"
  "--script|${WORKDIR}/extra.script"
  "--script|${WORKDIR}/empty_name.script"
  "--script|${WORKDIR}/too_long.script"
  "--script|${WORKDIR}/ok.script|--frame|3:${WORKDIR}/x.bmp"
  "--script|${WORKDIR}/ok.script|--frame|0:${WORKDIR}/x.bmp"
  "--script|${WORKDIR}/ok.script|--frame|nocolon"
  "--script|${WORKDIR}/ok.script|--frames|-1"
  "--script|${WORKDIR}/ok.script|--audio"
  "--script|${WORKDIR}/ok.script|--save-snapshot|0:${WORKDIR}/x.snap"
  "--script|${WORKDIR}/ok.script|--save-snapshot|3:${WORKDIR}/x.snap"
  "--script|${WORKDIR}/ok.script|--save-snapshot|2"
  "--script|${WORKDIR}/ok.script|--load-snapshot|${WORKDIR}/missing.snap"
  "--script|${WORKDIR}/ok.script|--load-snapshot|${WORKDIR}"
  "--script|${WORKDIR}/ok.script|--load-snapshot|${WORKDIR}/ok.script"
  "--script|${WORKDIR}/ok.script|--load-snapshot|${WORKDIR}/ok.script|--load-snapshot|${WORKDIR}/ok.script"
  "--board|1|--load-snapshot|${WORKDIR}/ok.script"
  "--bogus"
  "")
set(bad 0)
foreach(c ${cases})
  string(REPLACE "|" ";" args "${c}")
  execute_process(COMMAND ${REPLAY} ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 2 OR err STREQUAL "" OR NOT out STREQUAL "")
    message(SEND_ERROR "velkari-replay ${c}: exit ${rc}, stderr '${err}', stdout '${out}'")
    set(bad 1)
  endif()
endforeach()
# The board contract: 15 rows of 15 codes and the item count.
execute_process(COMMAND ${REPLAY} --board 1 RESULT_VARIABLE rc OUTPUT_VARIABLE out)
string(REGEX MATCHALL "[^\n]+" rows "${out}")
list(LENGTH rows n)
list(GET rows 15 last)
list(GET rows 1 second)
if(NOT rc EQUAL 0 OR NOT n EQUAL 16 OR NOT last STREQUAL "items 5"
   OR NOT second STREQUAL "1 0 0 0 4 0 0 0 0 0 0 0 0 0 1")
  message(SEND_ERROR "velkari-replay --board 1 printed:\n${out}")
  set(bad 1)
endif()
if(bad)
  message(FATAL_ERROR "velkari-replay accepted bad input or broke its board contract")
endif()
