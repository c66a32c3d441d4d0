# cmake -DREPLAY=velkari-replay -DWORKDIR=DIR -DVERSION=X.Y -P check_replay_usage.cmake
# Bad arguments and bad scripts: a message on standard error and exit code 2,
# never a crash or a run. A recording's header of this version (or an older
# one) is read, a newer one refused by name.
cmake_policy(SET CMP0007 NEW)
file(MAKE_DIRECTORY ${WORKDIR})
file(WRITE ${WORKDIR}/unknown_key.script "5 Q\n")
file(WRITE ${WORKDIR}/zero_count.script "0 Z\n")
file(WRITE ${WORKDIR}/no_keys.script "1 -\n12\n")
file(WRITE ${WORKDIR}/extra.script "1 Z X\n")
file(WRITE ${WORKDIR}/empty_name.script "3 Z+\n")
file(WRITE ${WORKDIR}/too_long.script "1999999 -\n2 -\n")
file(WRITE ${WORKDIR}/ok.script "2 -\n")
file(WRITE ${WORKDIR}/past_wav.script "1500001 -\n")
string(ASCII 27 esc)
string(ASCII 7 bel)
file(WRITE ${WORKDIR}/escape.script "1 Z+${esc}]0;retitled${bel}\n")
file(REMOVE ${WORKDIR}/fifo.script ${WORKDIR}/huge.script ${WORKDIR}/x.bmp)
set(special "")
find_program(MKFIFO mkfifo)
if(MKFIFO)
  execute_process(COMMAND ${MKFIFO} ${WORKDIR}/fifo.script)
  list(APPEND special "--script|${WORKDIR}/fifo.script")
endif()
find_program(TRUNCATE truncate)
if(TRUNCATE)  # one byte past the 16 MiB a script may hold
  execute_process(COMMAND ${TRUNCATE} -s 16777217 ${WORKDIR}/huge.script)
  list(APPEND special "--script|${WORKDIR}/huge.script")
endif()
if(EXISTS /dev/zero)
  list(APPEND special "--script|/dev/zero")
endif()
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)" _ "${VERSION}")
math(EXPR next_minor "${CMAKE_MATCH_2} + 1")
math(EXPR next_major "${CMAKE_MATCH_1} + 1")
set(newer_minor "${CMAKE_MATCH_1}.${next_minor}")
file(WRITE ${WORKDIR}/newer_minor.script "# velkari ${newer_minor}\n2 -\n")
file(WRITE ${WORKDIR}/newer_major.script "# velkari ${next_major}.0.0\r\n2 -\n")
file(WRITE ${WORKDIR}/bad_header.script "# velkari 1.x\n2 -\n")
set(cases
  ${special}
  "--script|${WORKDIR}/escape.script"
  "--script|${WORKDIR}/ok.script|--script|${WORKDIR}/ok.script"
  "--script|${WORKDIR}/ok.script|--trace|--trace"
  "--script|${WORKDIR}/ok.script|--frames|1|--frames|2"
  "--script|${WORKDIR}/ok.script|--audio|${WORKDIR}/a.wav|--audio|${WORKDIR}/b.wav"
  "--board|1|--board|2"
  "--script|--trace"
  "--script|${WORKDIR}/ok.script|--audio|--trace"
  "--script|${WORKDIR}/ok.script|--frames|0x10"
  "--script|${WORKDIR}/ok.script|--frames| 1"
  "--script|${WORKDIR}/ok.script|--frames|+1"
  "--board| 1"
  "--script|${WORKDIR}/ok.script|--audio|${WORKDIR}/ok.script"
  "--script|${WORKDIR}/ok.script|--frame|1:${WORKDIR}/ok.script"
  "--script|${WORKDIR}/ok.script|--frame|1:${WORKDIR}/x.bmp|--frame|2:${WORKDIR}/x.bmp"
  "--script|${WORKDIR}/past_wav.script|--audio|${WORKDIR}/x.wav"
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
  "--script|${WORKDIR}/newer_minor.script"
  "--script|${WORKDIR}/newer_major.script"
  "--script|${WORKDIR}/bad_header.script"
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
if(EXISTS ${WORKDIR}/x.bmp OR EXISTS ${WORKDIR}/x.wav)
  message(SEND_ERROR "a refused command line left an output behind")
  set(bad 1)
endif()
# The offending bytes are shown as \xNN, never as they are.
execute_process(COMMAND ${REPLAY} --script ${WORKDIR}/escape.script ERROR_VARIABLE err)
if(err MATCHES "${esc}" OR NOT err MATCHES "unknown key '\\\\x1B\\]0;retitled\\\\x07'")
  message(SEND_ERROR "a key name holding ESC was shown as: ${err}")
  set(bad 1)
endif()
# A file name that starts with - after --; the output replaces a planted link
# rather than writing through it.
file(WRITE ${WORKDIR}/-dash.script "2 -\n")
file(WRITE ${WORKDIR}/victim.txt "keep\n")
file(REMOVE ${WORKDIR}/planted.bmp)
file(CREATE_LINK ${WORKDIR}/victim.txt ${WORKDIR}/planted.bmp SYMBOLIC)
execute_process(COMMAND ${REPLAY} --script -- ${WORKDIR}/-dash.script --frame 2:${WORKDIR}/planted.bmp
                RESULT_VARIABLE rc ERROR_VARIABLE err)
file(READ ${WORKDIR}/victim.txt kept)
file(SIZE ${WORKDIR}/planted.bmp size)
if(NOT rc EQUAL 0 OR NOT kept STREQUAL "keep\n" OR NOT size EQUAL 921654 OR IS_SYMLINK ${WORKDIR}/planted.bmp)
  message(SEND_ERROR "--frame onto a planted link: exit ${rc} ${err}, its target holds '${kept}'")
  set(bad 1)
endif()
# --audio onto a full disk (a file size limit): said with the name and the
# reason, exit 1, the file there before kept and nothing left beside it.
find_program(SH sh)
if(SH AND NOT WIN32)
  file(WRITE ${WORKDIR}/full.wav "before\n")
  execute_process(COMMAND ${SH} -c "ulimit -f 8; exec \"$0\" \"$@\"" ${REPLAY} --script
                          ${WORKDIR}/ok.script --frames 100 --audio ${WORKDIR}/full.wav
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  file(READ ${WORKDIR}/full.wav kept)
  file(GLOB left ${WORKDIR}/.full.wav.*)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "cannot write '${WORKDIR}/full.wav': File too large"
     OR NOT kept STREQUAL "before\n" OR left)
    message(SEND_ERROR "--audio onto a full disk: exit ${rc}, said '${err}', kept '${kept}', left ${left}")
    set(bad 1)
  endif()
endif()
if(EXISTS /dev/full)  # a trace onto a full disk is said, exit 1
  execute_process(COMMAND ${REPLAY} --script ${WORKDIR}/ok.script --trace OUTPUT_FILE /dev/full
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "cannot write standard output")
    message(SEND_ERROR "a trace onto a full disk: exit ${rc}, said '${err}'")
    set(bad 1)
  endif()
endif()
# The refusal names both versions; this version's header, an older one and a
# comment that names no version are read.
execute_process(COMMAND ${REPLAY} --script ${WORKDIR}/newer_minor.script ERROR_VARIABLE err)
if(NOT err MATCHES "recorded by velkari ${newer_minor}, newer than this velkari ${VERSION}")
  message(SEND_ERROR "a newer recording is refused without naming the versions: ${err}")
  set(bad 1)
endif()
foreach(header "# velkari ${VERSION}" "# velkari 0.9" "# velkari run, stage 3" "#velkari 99.0")
  file(WRITE ${WORKDIR}/header.script "${header}\n2 -\n")
  execute_process(COMMAND ${REPLAY} --script ${WORKDIR}/header.script --summary
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^frames=2 ")
    message(SEND_ERROR "a script headed '${header}' is not read: exit ${rc}, ${out}${err}")
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
