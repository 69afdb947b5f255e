# Runs the demo on an image its loader refuses: it must end with status 1 and
# the loader's reason, never with a signal.
execute_process(COMMAND ${PROGRAM} --image ${IMAGE} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
if(NOT rc STREQUAL "1")
  message(FATAL_ERROR "the demo ended with \"${rc}\" instead of 1\n${out}\n${err}")
endif()
if(NOT err MATCHES "wrong checksum or no end record")
  message(FATAL_ERROR "the demo did not say why:\n${err}")
endif()
