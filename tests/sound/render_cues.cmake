# Renders each of the game's cues with velkari-mml for 2 s and fails unless the
# WAV file has the SHA-256 listed beside it: renders that were listened to and
# measured (the item cue's notes at 1568, 1319 and 1047 Hz, then silence), so
# that a mixer, generator or sequencer that renders something else fails.
# After an intended change of the sound, the message lists each new hash.
#   cmake -DMML=path/to/velkari-mml -DOUT=dir -P render_cues.cmake
set(cues
  "0|c87c5098b87d2714981b3abbc7d9c92bcca420f61a71c338c243a2abca6922ee|t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr"
  "6|0ba588671a207b1457a2cf2c6bfe33a42e743356628a274ea3855293ef31794d|t120@0o4l32q7v14i5 s-40g2x"
  "6|d4a57b4a06f92a92fc0c925e0159ca3704c34059c2f2e8ddb704aade0f1324d4|t120@78o4l32q7v14i5 g2x"
  "6|743872ea3df4aa416e4281c881a641ae8f88a8e7c8b63172eadd712ba0333b7b|t120@0o4l32q7v14i5s+30 g8x"
  "7|50a2156f1fa816d34ae533d52e1e39794c03de7ac409b9f80429f6408d283da1|t120@2o6l32q7v14i35 gecx"
  "6|29757b188532b16657c86921ddfd003e0b94a30380f2836b10156983cdf8a729|t150@0o4l16q7v13h50 m30ceg>ceg>cx"
  "0|43ee934debae05de8a16d4af47edeb53d45e34b688301c919aa675b035fb1a91|t120@2o4l16q7v14i30 cdefgab>cccccx")
file(MAKE_DIRECTORY ${OUT})
set(n 0)
set(bad 0)
foreach(cue ${cues})
  string(REGEX MATCH "^([0-7])\\|([0-9a-f]+)\\|(.*)$" _ "${cue}")
  set(ch ${CMAKE_MATCH_1})
  set(want ${CMAKE_MATCH_2})
  set(text "${CMAKE_MATCH_3}")
  execute_process(COMMAND ${MML} render --cue ${ch} ${text} --seconds 2 -o ${OUT}/cue${n}.wav
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "velkari-mml render of '${text}' failed: ${rc}")
  endif()
  file(SHA256 ${OUT}/cue${n}.wav got)
  if(NOT got STREQUAL want)
    message(SEND_ERROR "the render of '${text}' on channel ${ch} has SHA-256 ${got}, "
                       "not ${want} (the WAV is ${OUT}/cue${n}.wav)")
    set(bad 1)
  endif()
  math(EXPR n "${n} + 1")
endforeach()
if(bad)
  message(FATAL_ERROR "the cues render otherwise than the stored renders")
endif()
message(STATUS "${n} cues rendered as stored")
