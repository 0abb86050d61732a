# Runs one tool and checks how it ends: cmake -P expect_tool.cmake with
#   COMMAND  the program and its arguments, separated by "|"
#   EMULATOR what runs the program (the cross build's Wine wrapper), or empty
#   EXIT     the exit code it must give
#   MATCH    a regular expression its output (stdout and stderr) must match
#   LINES    optional: the most lines its standard output may have
#   SETUP    optional: a command ("|"-separated) run first, e.g. mkfifo
#   SECONDS  optional: the longest it may take (default 20)
string(REPLACE "|" ";" command "${COMMAND}")
if(SETUP)
  string(REPLACE "|" ";" setup "${SETUP}")
  execute_process(COMMAND ${setup} RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "set-up failed: ${SETUP}")
  endif()
endif()
if(NOT SECONDS)
  set(SECONDS 20)
endif()
if(EMULATOR)
  set(command ${EMULATOR} ${command})
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT ${SECONDS})
message("${out}${err}")
if(NOT "${rc}" STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit ${rc}, expected ${EXIT}")
endif()
if(NOT "${out}${err}" MATCHES "${MATCH}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
if(LINES)
  string(REGEX MATCHALL "\n" newlines "${out}")
  list(LENGTH newlines count)
  if(count GREATER LINES)
    message(FATAL_ERROR "${count} lines, at most ${LINES} expected")
  endif()
endif()
