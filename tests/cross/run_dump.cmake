# Runs one dump program and keeps its output; with a reference file, fails
# unless the output is byte-for-byte the reference.
#   cmake -DEMULATOR=... -DPROGRAM=... -DARGS=... -DOUTPUT=... [-DREFERENCE=...] -P run_dump.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
# A Windows program ends its lines with CR LF.
string(REPLACE "\r\n" "\n" out "${out}")
file(WRITE ${OUTPUT} "${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${rc}; output in ${OUTPUT}")
endif()
if(REFERENCE)
  if(NOT EXISTS ${REFERENCE})
    message(FATAL_ERROR "no reference dump ${REFERENCE}")
  endif()
  file(READ ${REFERENCE} ref)
  if(NOT ref STREQUAL out)
    execute_process(COMMAND diff ${REFERENCE} ${OUTPUT})
    message(FATAL_ERROR "${OUTPUT} differs from ${REFERENCE}")
  endif()
  message(STATUS "same as ${REFERENCE}")
endif()
