# Runs one libFuzzer target for SECONDS over a fresh copy of its seed corpus:
#   cmake -DFUZZER=exe -DSEEDS=dir -DWORK=dir -DSECONDS=n [-DARGS=a;b] -P RunFuzzer.cmake
# The seeds in the source tree are only read; new inputs and any crash land under WORK.
foreach(var FUZZER SEEDS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${SEEDS}")
  message(FATAL_ERROR "no seed corpus at ${SEEDS}")
endif()
file(GLOB seeds "${SEEDS}/*")
if(NOT seeds)
  message(FATAL_ERROR "the seed corpus ${SEEDS} is empty")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY ${seeds} DESTINATION "${WORK}/corpus")

execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=25 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${ARGS} "${WORK}/corpus"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(GLOB found "${WORK}/artifacts/*")
  message(FATAL_ERROR "${FUZZER} failed (${result}); inputs kept: ${found}")
endif()
