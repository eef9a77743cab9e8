# Exports a month of events as iCalendar with the command line, then has python3's icalendar
# package parse it.
execute_process(COMMAND ${CLI} events --from 2024-03-01 --to 2024-04-30 --format ics -o ${OUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "caelvane-cli events failed: ${status}")
endif()
execute_process(COMMAND ${PYTHON} ${SCRIPT} ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the calendar parser refused the export")
endif()
