# Renders each of the game's eight cues twice with velkari-mml and fails if
# the two WAV files differ or do not hold whole buffers.
#   cmake -DMML=path/to/velkari-mml -DOUT=dir -P render_twice.cmake
set(cues
  "0|t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr"
  "6|t120@0o4l32q7v14i5 s-40g2x"
  "6|t120@78o4l32q7v14i5 g2x"
  "6|t120@0o4l32q7v14i5s+30 g8x"
  "7|t120@2o6l32q7v14i35 gecx"
  "6|t120@0o4l32q7v14i5 s-40g2x"
  "6|t150@0o4l16q7v13h50 m30ceg>ceg>cx"
  "0|t120@2o4l16q7v14i30 cdefgab>cccccx")
file(MAKE_DIRECTORY ${OUT})
set(n 0)
foreach(cue ${cues})
  string(FIND "${cue}" "|" bar)
  string(SUBSTRING "${cue}" 0 ${bar} ch)
  math(EXPR from "${bar} + 1")
  string(SUBSTRING "${cue}" ${from} -1 text)
  foreach(run a b)
    execute_process(COMMAND ${MML} render --cue ${ch} ${text} --seconds 2 -o ${OUT}/cue${n}${run}.wav
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "velkari-mml render of '${text}' failed: ${rc}")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/cue${n}a.wav ${OUT}/cue${n}b.wav
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    message(FATAL_ERROR "two renders of '${text}' differ")
  endif()
  file(SIZE ${OUT}/cue${n}a.wav size)
  # 2 s is 59 whole buffers of 6000 bytes, after the 44-byte header.
  if(NOT size EQUAL 354044)
    message(FATAL_ERROR "render of '${text}' is ${size} bytes, not 354044")
  endif()
  math(EXPR n "${n} + 1")
endforeach()
message(STATUS "eight cues rendered identically twice")
